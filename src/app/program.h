// The whole program as one call: what the process start registers, then
// START, then the exit procedures. main() is only this call, so that a test
// build of the program can prepare the process first and then run the same
// program.
#ifndef KX_APP_PROGRAM_H_
#define KX_APP_PROGRAM_H_

namespace kx {

// Runs the program and returns the process's exit status.
int run_program();

}  // namespace kx

#endif  // KX_APP_PROGRAM_H_
