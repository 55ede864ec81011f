#include "runtime/process/process_state.h"

namespace kx {
namespace {

// Never destroyed: whatever is still open when the process ends (tables, the
// console) is left for the operating system to close, as it would be after
// an orderly exit.
ProcessState*& current() {
  static ProcessState* state = new ProcessState();
  return state;
}

}  // namespace

ProcessState::~ProcessState() {
  while (!slots_.empty()) slots_.pop_back();
}

ProcessState& process_state() { return *current(); }

void reset_process_state() {
  const std::unique_ptr<ProcessState> old(current());
  current() = new ProcessState();
}

}  // namespace kx
