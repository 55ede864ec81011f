#include "runtime/process/exit.h"

#include <vector>

#include "platform/platform.h"
#include "runtime/process/process_state.h"

namespace kx {
namespace {

std::vector<std::function<void()>>& procedures() { return process_state().exit_procedures; }

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

void set_exit_status(int status) { process_state().exit_status = status; }
int exit_status() { return process_state().exit_status; }

void orderly_exit() {
  run_exit_procedures();
  platform::exit_process(exit_status());
}

}  // namespace kx
