// The empty value of a type code: what the default handler hands back as a
// substitute when the user takes the default.
#ifndef KX_RUNTIME_VALUES_EMPTY_VALUE_H_
#define KX_RUNTIME_VALUES_EMPTY_VALUE_H_

#include <cstdint>

#include "runtime/values/value.h"

namespace kx {

// Integer 0 for the integer codes (1, 13, 14), float 0 (3), the empty date
// (2), an empty array (5), the null object (6), the empty string (7), false
// (8), the null symbol (10) and the null pointer (18); nil for any other code.
Value empty_value(uint32_t type_code);

}  // namespace kx

#endif  // KX_RUNTIME_VALUES_EMPTY_VALUE_H_
