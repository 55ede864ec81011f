// The runtime's version text, as the error log names it.
#ifndef KX_RUNTIME_PROCESS_VERSION_H_
#define KX_RUNTIME_PROCESS_VERSION_H_

#include <string>

namespace kx {

std::string version_text();

}  // namespace kx

#endif  // KX_RUNTIME_PROCESS_VERSION_H_
