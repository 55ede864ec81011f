// kursexport_faults: the program over test Envs, for the end-to-end tests.
// KX_FAULT_READ holds a read-fault plan (text as test::parse_read_fault
// takes it): the plan's read fails and the failure is announced on standard
// error. KX_COUNT_CALLS names a folder: the file-system calls made on it are
// counted and, when the run ends normally, written to standard error as one
// line "calls on FOLDER: open N, read N, size N, stat N, list N". Without
// either the run is an ordinary one. Never shipped: only tests build and run
// it.
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "app/program.h"
#include "platform/env.h"
#include "support/testing/counting_env.h"
#include "support/testing/faulty_env.h"

int main() {
  kx::test::FaultyEnv faulty;
  if (const char* text = std::getenv("KX_FAULT_READ")) {
    if (const std::optional<kx::test::ReadFaultPlan> plan = kx::test::parse_read_fault(text)) {
      faulty.arm(*plan, true);
    }
  }
  std::unique_ptr<kx::test::CountingEnv> counting;
  const char* folder = std::getenv("KX_COUNT_CALLS");
  if (folder != nullptr) counting = std::make_unique<kx::test::CountingEnv>(folder);
  const int status = kx::run_program();
  if (counting) {
    const std::string line =
        "calls on " + std::string(folder) + ": " + counting->calls().text() + "\n";
    kx::platform::Env& env = kx::platform::env();
    env.write_bytes(env.std_handle(kx::platform::StdStream::kError), line.data(), line.size());
  }
  return status;
}
