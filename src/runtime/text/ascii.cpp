#include "runtime/text/ascii.h"

namespace kx {

std::string ascii_upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ascii_upper(c);
  return out;
}

std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

std::string hex_digits(uint64_t value, size_t min_digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string reversed;
  do {
    reversed.push_back(kDigits[value & 15]);
    value >>= 4;
  } while (value != 0);
  if (reversed.size() < min_digits) reversed.append(min_digits - reversed.size(), '0');
  return std::string(reversed.rbegin(), reversed.rend());
}

}  // namespace kx
