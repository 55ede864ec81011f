#include "tables/dbf/field_decode.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "tables/dbf/dbf_format.h"

namespace kx::tables::dbf {
namespace {

bool is_blank_byte(char c) { return c == ' ' || c == '\0'; }

std::string zero_text(uint8_t decimals) {
  return decimals == 0 ? "0" : "0." + std::string(decimals, '0');
}

Value zero_number(bool numeric_type, uint8_t decimals) {
  if (numeric_type && decimals == 0) return Value::integer(0);
  return Value::floating(0.0, zero_text(decimals));
}

double text_to_double(const std::string& text) {
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  return r.ec == std::errc() ? v : 0.0;
}

bool bit_set(ByteView flags, int bit) {
  if (bit < 0) return false;
  const size_t byte = static_cast<size_t>(bit) / 8;
  return byte < flags.size() && (flags[byte] >> (bit % 8)) & 1;
}

Value currency_value(int64_t scaled) {
  uint64_t magnitude =
      scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  std::string digits = std::to_string(magnitude);
  if (digits.size() <= static_cast<size_t>(kCurrencyDecimals)) {
    digits.insert(0, static_cast<size_t>(kCurrencyDecimals) + 1 - digits.size(), '0');
  }
  digits.insert(digits.size() - kCurrencyDecimals, ".");
  if (scaled < 0) digits.insert(0, "-");
  return Value::floating(text_to_double(digits), digits);
}

Value varying_value(const Field& field, ByteView bytes, ByteView null_flags) {
  size_t length = bytes.size();
  if (bit_set(null_flags, field.short_bit) && length > 0) {
    // A short value keeps its length in the field's last byte.
    length = std::min<size_t>(bytes[length - 1], length - 1);
  }
  return Value::string(std::string(bytes.as_string_view().substr(0, length)));
}

std::string_view without_blank_bytes(std::string_view text) {
  while (!text.empty() && is_blank_byte(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank_byte(text.back())) text.remove_suffix(1);
  return text;
}

bool all_digits(std::string_view s) {
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Digits (no leading zeros) that fit a 32-bit integer, as one; else nothing.
std::optional<Value> small_integer(std::string_view digits, bool negative) {
  if (digits.size() > 10) return std::nullopt;
  int64_t magnitude = 0;  // at most 10 digits: no overflow
  for (char c : digits) magnitude = magnitude * 10 + (c - '0');
  const int64_t v = negative ? -magnitude : magnitude;
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return Value::integer(static_cast<int32_t>(v));
}

}  // namespace

Value parse_number(std::string_view text, bool numeric_type, uint8_t decimals) {
  text = without_blank_bytes(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const size_t point = text.find('.');
  std::string_view int_part = text.substr(0, point);
  std::string_view frac_part =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (int_part.empty() && frac_part.empty()) return zero_number(numeric_type, decimals);
  if (!all_digits(int_part) || !all_digits(frac_part)) return zero_number(numeric_type, decimals);

  while (int_part.size() > 1 && int_part.front() == '0') int_part.remove_prefix(1);
  if (numeric_type && decimals == 0 && frac_part.empty()) {
    if (const std::optional<Value> v = small_integer(int_part, negative)) return *v;
  }
  std::string canonical = int_part.empty() ? "0" : std::string(int_part);
  if (!frac_part.empty()) canonical += "." + std::string(frac_part);
  const bool zero = canonical.find_first_not_of("0.") == std::string::npos;
  if (negative && !zero) canonical.insert(0, "-");
  return Value::floating(text_to_double(canonical), canonical);
}

uint32_t memo_block(ByteView bytes) {
  if (bytes.size() == kMemoBinaryWidth) return decode_le32(bytes.data());
  const std::string_view text = without_blank_bytes(bytes.as_string_view());
  uint64_t block = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    block = block * 10 + static_cast<uint64_t>(c - '0');
    if (block > std::numeric_limits<uint32_t>::max()) return 0;
  }
  return static_cast<uint32_t>(block);
}

Value decode_field(const Field& field, ByteView bytes, ByteView null_flags) {
  const std::string_view text = bytes.as_string_view();
  switch (field.type) {
    case kTypeCharacter:
      return Value::string(std::string(text));
    case kTypeVarchar:
    case kTypeVarbinary:
      return varying_value(field, bytes, null_flags);
    case kTypeNumeric:
    case kTypeFloat:
      return parse_number(text, field.type == kTypeNumeric, field.decimals);
    case kTypeDate:
      return Value::date(Date::from_dtos(text));
    case kTypeLogical: {
      const char c = text.empty() ? ' ' : text[0];
      return Value::logic(c == 'T' || c == 't' || c == 'Y' || c == 'y');
    }
    case kTypeInteger:
      return Value::integer(static_cast<int32_t>(decode_le32(bytes.data())));
    case kTypeDouble: {
      const uint64_t bits = decode_le64(bytes.data());
      double v = 0;
      std::memcpy(&v, &bits, sizeof v);
      // A damaged double must not turn into a NaN or infinity downstream.
      return Value::floating(std::isfinite(v) ? v : 0.0);
    }
    case kTypeCurrency:
      return currency_value(static_cast<int64_t>(decode_le64(bytes.data())));
    case kTypeDateTime:
      return Value::date(Date::from_julian(static_cast<int32_t>(decode_le32(bytes.data()))));
    default:
      return blank_value(field);
  }
}

Value blank_value(const Field& field) {
  switch (field.type) {
    case kTypeCharacter:
      return Value::string(std::string(field.width, ' '));
    case kTypeNumeric:
    case kTypeFloat:
      return zero_number(field.type == kTypeNumeric, field.decimals);
    case kTypeDate:
    case kTypeDateTime:
      return Value::date(Date());
    case kTypeLogical:
      return Value::logic(false);
    case kTypeInteger:
      return Value::integer(0);
    case kTypeDouble:
      return Value::floating(0.0);
    case kTypeCurrency:
      return Value::floating(0.0, zero_text(kCurrencyDecimals));
    default:
      return Value::string("");
  }
}

}  // namespace kx::tables::dbf
