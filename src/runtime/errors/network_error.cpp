#include "runtime/errors/network_error.h"

#include "runtime/process/process_state.h"

namespace kx {

namespace {

struct NetworkErrorFlag {
  bool on = false;
};

}  // namespace

void set_network_error(bool on) { process_state().slot<NetworkErrorFlag>().on = on; }
bool network_error() { return process_state().slot<NetworkErrorFlag>().on; }

}  // namespace kx
