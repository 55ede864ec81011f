// ASCII letter case and hexadecimal digits. The program's text is
// single-byte and its letter case is the "C" locale's: only a-z and A-Z have
// a case; every other byte, 128 and above included, stays as it is.
#ifndef KX_RUNTIME_TEXT_ASCII_H_
#define KX_RUNTIME_TEXT_ASCII_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kx {

constexpr char ascii_upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string ascii_upper(std::string_view text);
std::string ascii_lower(std::string_view text);

// Whether a and b are the same text when letter case is ignored. Inline:
// work-area aliases are compared on every field read.
constexpr bool ascii_equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && ascii_upper(a[i]) != ascii_upper(b[i])) return false;
  }
  return true;
}

// value in upper-case hexadecimal digits, without a prefix, padded with
// zeros on the left to at least min_digits digits: hex_digits(0x1F, 4) is
// "001F", hex_digits(0) is "0".
std::string hex_digits(uint64_t value, size_t min_digits = 1);

}  // namespace kx

#endif  // KX_RUNTIME_TEXT_ASCII_H_
