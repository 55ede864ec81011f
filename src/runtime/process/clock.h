// The runtime's clock: the local date and time that error output and the
// report stamp, from the process's Env (platform/env.h; tests fix it there).
#ifndef KX_RUNTIME_PROCESS_CLOCK_H_
#define KX_RUNTIME_PROCESS_CLOCK_H_

#include "platform/platform.h"

namespace kx {

// The current local date and time.
platform::LocalDateTime clock_now();

}  // namespace kx

#endif  // KX_RUNTIME_PROCESS_CLOCK_H_
