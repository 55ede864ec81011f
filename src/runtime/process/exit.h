// The orderly end of the process: exit procedures first, then the exit.
#ifndef KX_RUNTIME_PROCESS_EXIT_H_
#define KX_RUNTIME_PROCESS_EXIT_H_

#include <functional>

namespace kx {

// Registers a procedure that runs when the process ends, the last registered first.
void register_exit_procedure(std::function<void()> procedure);

// Runs and forgets the registered exit procedures (each runs at most once).
void run_exit_procedures();

// The status the process ends with unless a caller names another; 0 at start.
void set_exit_status(int status);
int exit_status();

// Runs the exit procedures and ends the process with the exit status.
[[noreturn]] void orderly_exit();

}  // namespace kx

#endif  // KX_RUNTIME_PROCESS_EXIT_H_
