// What error output and the report stamp a run with: the local date and
// time, from the process's Env (platform/env.h; tests fix it there), and the
// runtime's version text, as the error log names it.
#ifndef KX_RUNTIME_PROCESS_RUN_STAMP_H_
#define KX_RUNTIME_PROCESS_RUN_STAMP_H_

#include <string>

#include "platform/platform.h"

namespace kx {

// The current local date and time.
platform::LocalDateTime clock_now();

std::string version_text();

}  // namespace kx

#endif  // KX_RUNTIME_PROCESS_RUN_STAMP_H_
