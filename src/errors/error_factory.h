// The error-record factory: turns the runtime error structure into an ERROR
// record.
#ifndef KX_ERRORS_ERROR_FACTORY_H_
#define KX_ERRORS_ERROR_FACTORY_H_

#include <functional>
#include <memory>

#include "errors/error_record.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/values/value.h"

namespace kx {

inline constexpr const char* kFactoryCaption = "FROM DefErrorGen";
inline constexpr const char* kNoRecordText = "No error object created !";
inline constexpr const char* kWrongTagText = "Error structure has wrong tag";

// Makes the empty record that DefErrorGen fills; nullptr when none can be
// made. The default makes a plain ERROR (nullptr when memory runs out).
using ErrorRecordMaker = std::function<std::shared_ptr<ERROR>()>;
// Replaces the maker; an empty function puts the default back.
void set_error_record_maker(ErrorRecordMaker maker);

// Makes a record (INIT with start level 0) and fills it from the 100-byte
// structure at the address that structure (a pointer value) holds: every
// field, texts as strings, ARGS from the argument block (empty without one),
// CHOICE only while the record's own is 0. The structure is copied into the
// static error structure first. A null address reads as an all-zero
// structure. Texts and string arguments are masked (runtime/process/secrets.h).
// Failures are shown in a message box captioned kFactoryCaption and the run
// goes on: no record gives the null record; a structure that is not a
// pointer gives the record as made, unfilled.
Value DefErrorGen(const Value& structure);

// The one way from a runtime error's details to its record, and the factory
// that start-up registers: lays details out as the runtime error structure
// and hands its address to DefErrorGen.
Value make_record_from_details(const RuntimeError& details);

}  // namespace kx

#endif  // KX_ERRORS_ERROR_FACTORY_H_
