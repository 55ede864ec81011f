#include "runtime/process/exit.h"

#include <vector>

#include "platform/platform.h"
#include "runtime/process/process_state.h"

namespace kx {
namespace {

struct ExitState {
  std::vector<std::function<void()>> procedures;
  int status = 0;
};

ExitState& exit_state() { return process_state().slot<ExitState>(); }
std::vector<std::function<void()>>& procedures() { return exit_state().procedures; }

}  // namespace

void register_exit_procedure(std::function<void()> procedure) {
  procedures().push_back(std::move(procedure));
}

void run_exit_procedures() {
  auto& list = procedures();
  while (!list.empty()) {
    auto procedure = std::move(list.back());
    list.pop_back();
    procedure();
  }
}

void set_exit_status(int status) { exit_state().status = status; }
int exit_status() { return exit_state().status; }

void orderly_exit() {
  run_exit_procedures();
  platform::exit_process(exit_status());
}

}  // namespace kx
