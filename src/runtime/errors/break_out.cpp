#include "runtime/errors/break_out.h"

#include "runtime/process/exit.h"
#include "runtime/process/process_state.h"

namespace kx {
namespace {

struct RecoveryPoints {
  int depth = 0;
};

int& depth() { return process_state().slot<RecoveryPoints>().depth; }

// Keeps the count right however the body ends.
class Scope {
 public:
  Scope() { ++depth(); }
  ~Scope() { --depth(); }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
};

}  // namespace

bool recovery_point_active() { return depth() > 0; }

std::optional<Value> with_recovery_point(const std::function<void()>& body) {
  try {
    Scope scope;
    body();
  } catch (const BreakOut& out) {
    return out.error();
  }
  return std::nullopt;
}

void break_out(const Value& error) {
  // Throwing with no recovery point would terminate without the exit
  // procedures; the orderly exit is the closest honest outcome.
  if (!recovery_point_active()) orderly_exit();
  throw BreakOut(error);
}

}  // namespace kx
