#include "runtime/process/run_stamp.h"

#include "platform/env.h"

namespace kx {

platform::LocalDateTime clock_now() { return platform::env().local_now(); }

std::string version_text() { return "kursexport runtime 1.0"; }

}  // namespace kx
