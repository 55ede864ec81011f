// Runtime errors that the program's own arithmetic and conversions raise.
#ifndef KX_APP_NUMERIC_ERRORS_H_
#define KX_APP_NUMERIC_ERRORS_H_

#include <string>

#include "runtime/values/value.h"

namespace kx {

// Raises the numeric overflow of an unsigned computation that went below 0.
void raise_unsigned_overflow(const char* function, const std::string& what);

// Raises a data-type error unless value has the kind wanted; true when it has.
bool expect_kind(const Value& value, Kind wanted, uint32_t wanted_type, const char* function,
                 const std::string& field);

// A numeric value as an unsigned 32-bit number: the fraction is dropped and
// values outside 0 to 4294967295 are clamped.
uint32_t to_dword(const Value& number);

}  // namespace kx

#endif  // KX_APP_NUMERIC_ERRORS_H_
