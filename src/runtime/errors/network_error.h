// The network-error flag: set when a table operation failed softly because
// another process held the file (a sharing or lock violation), for the
// caller of that operation to read.
#ifndef KX_RUNTIME_ERRORS_NETWORK_ERROR_H_
#define KX_RUNTIME_ERRORS_NETWORK_ERROR_H_

namespace kx {

void set_network_error(bool on);
bool network_error();

}  // namespace kx

#endif  // KX_RUNTIME_ERRORS_NETWORK_ERROR_H_
