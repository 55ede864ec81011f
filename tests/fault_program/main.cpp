// kursexport_faults: the program over an Env whose file reads fail as the
// environment variable KX_FAULT_READ says, for the end-to-end tests of read
// faults. When it holds a plan (text as test::parse_read_fault takes it), the
// plan's read fails and the failure is announced on standard error;
// otherwise the run is an ordinary one. Never shipped: only tests build and
// run it.
#include <cstdlib>
#include <optional>

#include "app/program.h"
#include "support/testing/faulty_env.h"

int main() {
  kx::test::FaultyEnv faulty;
  if (const char* text = std::getenv("KX_FAULT_READ")) {
    if (const std::optional<kx::test::ReadFaultPlan> plan = kx::test::parse_read_fault(text)) {
      faulty.arm(*plan, true);
    }
  }
  return kx::run_program();
}
