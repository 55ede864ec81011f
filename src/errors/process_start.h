// What the process registers before the program's main function runs: the
// default error handler and the error-record factory.
#ifndef KX_ERRORS_PROCESS_START_H_
#define KX_ERRORS_PROCESS_START_H_

#include "runtime/errors/runtime_error.h"
#include "runtime/values/value.h"

namespace kx {

// The registered factory: lays details out as the runtime error structure
// and hands its address to DefErrorGen (which masks secrets).
Value make_record_from_details(const RuntimeError& details);

// When the handler slot is empty, installs DEFERROR in it and switches the
// international settings to the operating system's; registers the
// error-record factory once. Calling it again changes nothing.
void register_runtime_support();

}  // namespace kx

#endif  // KX_ERRORS_PROCESS_START_H_
