#include "runtime/errors/network_error.h"

#include "runtime/process/process_state.h"

namespace kx {

void set_network_error(bool on) { process_state().network_error = on; }
bool network_error() { return process_state().network_error; }

}  // namespace kx
