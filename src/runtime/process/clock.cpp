#include "runtime/process/clock.h"

#include "platform/env.h"

namespace kx {

platform::LocalDateTime clock_now() { return platform::env().local_now(); }

}  // namespace kx
