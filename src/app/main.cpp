// The program's entry: what the process start registers, then START.
#include "app/report.h"
#include "errors/process_start.h"
#include "runtime/exit.h"
#include "tables/table_functions.h"

int main() {
  kx::register_runtime_support();
  kx::register_table_support();
  kx::START();
  kx::run_exit_procedures();
  return kx::exit_status();
}
