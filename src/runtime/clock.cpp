#include "runtime/clock.h"

namespace kx {
namespace {

ClockFn& clock_slot() {
  static ClockFn fn;
  return fn;
}

}  // namespace

void set_clock(ClockFn fn) { clock_slot() = std::move(fn); }

platform::LocalDateTime clock_now() {
  return clock_slot() ? clock_slot()() : platform::local_now();
}

}  // namespace kx
