// The JSON state and error objects that report failures the program tests
// for itself. Both print one object and end the process with status 0.
#ifndef KX_ERRORS_JSON_OBJECTS_H_
#define KX_ERRORS_JSON_OBJECTS_H_

#include <cstdint>
#include <string>

namespace kx {

// text as the inside of a JSON string: escape_json_chars (json/escape.h)
// with the line feed written as \n. Double quote and backslash get a
// backslash; control characters become \t \r \n \b \f or \u00XX; every
// other byte, 127 and above included, passes unchanged.
std::string escape_json_text(const std::string& text);

// {"State":1,"Error":code,"ErrorAddText":"text"}, text escaped.
std::string state_object(uint16_t code, const std::string& text);
// {"Error":1,"ErrorText":"text","ErrorAddText":"text"}, text escaped.
std::string error_object(const std::string& text);

// Writes the state object through QOUT and ends the process through the
// orderly exit (status 0 unless another was set).
[[noreturn]] void ERRORSTATE(uint16_t code, const std::string& text);
// Writes the error object through QOUT and ends the process likewise.
[[noreturn]] void ERROROCCUR(const std::string& text);

}  // namespace kx

#endif  // KX_ERRORS_JSON_OBJECTS_H_
