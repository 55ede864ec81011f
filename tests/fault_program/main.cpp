// kursexport_faults: the program with the file layer's read-fault seam armed
// from the environment, for the end-to-end tests of read faults. When
// KX_FAULT_READ holds a plan (text as platform::parse_read_fault takes it),
// the seam fails that read and says so on standard error; otherwise the
// run is an ordinary one. Never shipped: only tests build and run it.
#include <cstdlib>
#include <optional>

#include "app/program.h"
#include "platform/fault_seam.h"

int main() {
  if (const char* text = std::getenv("KX_FAULT_READ")) {
    if (const std::optional<kx::platform::ReadFaultPlan> plan =
            kx::platform::parse_read_fault(text)) {
      kx::platform::arm_read_fault(*plan, true);
    }
  }
  return kx::run_program();
}
