// The break-out: the default error handler's one way of unwinding. It throws
// BreakOut, the program's only exception type, in one place (break_out) and
// the innermost active recovery point (with_recovery_point) catches it.
#ifndef KX_RUNTIME_ERRORS_BREAK_OUT_H_
#define KX_RUNTIME_ERRORS_BREAK_OUT_H_

#include <functional>
#include <optional>

#include "runtime/values/value.h"

namespace kx {

// Carries the error record to the recovery point.
class BreakOut {
 public:
  explicit BreakOut(Value error) : error_(std::move(error)) {}
  const Value& error() const { return error_; }

 private:
  Value error_;
};

// True while a recovery point is active (the default handler may break out).
bool recovery_point_active();

// Runs body as a recovery point. Returns nothing when body returns, or the
// record it broke out with. Recovery points nest; the innermost catches.
std::optional<Value> with_recovery_point(const std::function<void()>& body);

// Unwinds to the innermost recovery point with error. Requires an active
// recovery point; without one it ends the process through the orderly exit.
[[noreturn]] void break_out(const Value& error);

}  // namespace kx

#endif  // KX_RUNTIME_ERRORS_BREAK_OUT_H_
