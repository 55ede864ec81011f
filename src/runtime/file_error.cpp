#include "runtime/file_error.h"

namespace kx {
namespace {

uint32_t& last_code() {
  static uint32_t code = 0;
  return code;
}

}  // namespace

void set_last_file_error(uint32_t os_code) { last_code() = os_code; }

uint32_t last_file_error() { return last_code(); }

}  // namespace kx
