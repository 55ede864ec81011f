// Hexadecimal text of numbers, as the program's messages write it.
#ifndef KX_RUNTIME_TEXT_HEX_H_
#define KX_RUNTIME_TEXT_HEX_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace kx {

// value in upper-case hexadecimal digits, without a prefix, padded with
// zeros on the left to at least min_digits digits: hex_digits(0x1F, 4) is
// "001F", hex_digits(0) is "0".
std::string hex_digits(uint64_t value, size_t min_digits = 1);

}  // namespace kx

#endif  // KX_RUNTIME_TEXT_HEX_H_
