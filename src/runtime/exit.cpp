#include "runtime/exit.h"

#include <vector>

#include "platform/platform.h"

namespace kx {
namespace {

std::vector<std::function<void()>>& procedures() {
  static std::vector<std::function<void()>> list;
  return list;
}

int& status_slot() {
  static int status = 0;
  return status;
}

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

void set_exit_status(int status) { status_slot() = status; }
int exit_status() { return status_slot(); }

void orderly_exit() {
  run_exit_procedures();
  platform::exit_process(status_slot());
}

}  // namespace kx
