// The runtime's clock: the local date and time that error output stamps.
// It reads the platform clock unless a replacement is installed (tests fix it).
#ifndef KX_RUNTIME_CLOCK_H_
#define KX_RUNTIME_CLOCK_H_

#include <functional>

#include "platform/platform.h"

namespace kx {

using ClockFn = std::function<platform::LocalDateTime()>;

// Replaces the clock for the rest of the process; an empty function puts the
// platform clock back.
void set_clock(ClockFn fn);

// The current local date and time.
platform::LocalDateTime clock_now();

}  // namespace kx

#endif  // KX_RUNTIME_CLOCK_H_
