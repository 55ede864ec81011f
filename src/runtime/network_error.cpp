#include "runtime/network_error.h"

namespace kx {
namespace {

bool& flag() {
  static bool on = false;
  return on;
}

}  // namespace

void set_network_error(bool on) { flag() = on; }
bool network_error() { return flag(); }

}  // namespace kx
