#include "tables/expr/number_text.h"

#include <charconv>
#include <cmath>

#include "runtime/text/text.h"

namespace kx::tables::expr {
namespace {

// The shortest fixed-point text that reads back as value.
std::string shortest_text(double value) {
  char buffer[400];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return r.ec == std::errc() ? std::string(buffer, r.ptr) : "0";
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string str_text(const Datum& number, int width, int decimals) {
  const std::string exact = !number.decimal.empty()        ? number.decimal
                            : std::isfinite(number.number) ? shortest_text(number.number)
                                                           : "";
  if (exact.empty()) return std::string(static_cast<size_t>(width), '*');
  const std::string text = round_decimal(exact, decimals);
  const size_t w = static_cast<size_t>(width);
  if (text.size() > w) return std::string(w, '*');
  return std::string(w - text.size(), ' ') + text;
}

Datum val_of(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::string decimal;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    if (text[i] == '-') decimal = "-";
    ++i;
  }
  const size_t digits_start = i;
  while (i < text.size() && is_digit(text[i])) decimal += text[i++];
  size_t digit_count = i - digits_start;
  if (i + 1 < text.size() && text[i] == '.' && is_digit(text[i + 1])) {
    decimal += digit_count == 0 ? "0." : ".";
    ++i;
    while (i < text.size() && is_digit(text[i])) {
      decimal += text[i++];
      ++digit_count;
    }
  }
  if (digit_count == 0) return Datum::number_of(0, "0");
  double value = 0;
  const char* begin = decimal.data() + (decimal[0] == '-' ? 1 : 0);
  std::from_chars(begin, decimal.data() + decimal.size(), value);
  if (decimal[0] == '-') value = -value;
  if (value == 0) decimal = decimal[0] == '-' ? decimal.substr(1) : decimal;
  return Datum::number_of(value, decimal);
}

}  // namespace kx::tables::expr
