// Names of the type codes that error records carry.
#ifndef KX_RUNTIME_VALUES_TYPE_NAMES_H_
#define KX_RUNTIME_VALUES_TYPE_NAMES_H_

#include <cstdint>
#include <string>

namespace kx {

// The plain-English name of a type code ("string", "integer", ...); "none"
// for 0 and "type " + the code for a code we do not know.
std::string type_name(uint32_t type_code);

}  // namespace kx

#endif  // KX_RUNTIME_VALUES_TYPE_NAMES_H_
