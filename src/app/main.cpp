// The program's entry.
#include "app/program.h"

int main() { return kx::run_program(); }
