// What the process registers before the program's main function runs: the
// default error handler and the error-record factory.
#ifndef KX_ERRORS_PROCESS_START_H_
#define KX_ERRORS_PROCESS_START_H_

namespace kx {

// When the handler slot is empty, installs DEFERROR in it and switches the
// international settings to the operating system's; registers the
// error-record factory once. Calling it again changes nothing.
void register_runtime_support();

}  // namespace kx

#endif  // KX_ERRORS_PROCESS_START_H_
