#include "tables/cdx/key_encoding.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "tables/bytes.h"

namespace kx::tables::cdx {
namespace {

std::string big_endian(uint64_t v, size_t width) {
  std::string out(width, '\0');
  for (size_t i = width; i > 0; --i, v >>= 8) out[i - 1] = static_cast<char>(v & 0xFF);
  return out;
}

const uint8_t* bytes_of(std::string_view key) {
  return reinterpret_cast<const uint8_t*>(key.data());
}

// Whole numbers sought in a 4-byte integer key; other values round up so that
// the seek lands on the first key that is not less than them.
int32_t to_integer_key(double value) {
  if (std::isnan(value)) return std::numeric_limits<int32_t>::min();
  const double up = std::ceil(value);
  if (up <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
    return std::numeric_limits<int32_t>::min();
  }
  if (up >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(up);
}

}  // namespace

std::string encode_numeric(double value) {
  if (value == 0) value = 0;  // -0.0 and 0.0 give the same key
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  bits = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
  return big_endian(bits, 8);
}

std::string encode_integer(int32_t value) {
  return big_endian(static_cast<uint32_t>(value) ^ 0x80000000u, 4);
}

std::string encode_date(const Date& date) {
  return encode_numeric(static_cast<double>(date.julian()));
}

std::string encode_logical(bool value) { return value ? "T" : "F"; }

std::optional<double> decode_numeric(std::string_view key) {
  if (key.size() != 8) return std::nullopt;
  uint64_t bits = decode_be64(bytes_of(key));
  bits = (bits & 0x8000000000000000ull) ? bits & ~0x8000000000000000ull : ~bits;
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::optional<int32_t> decode_integer(std::string_view key) {
  if (key.size() != 4) return std::nullopt;
  return static_cast<int32_t>(decode_be32(bytes_of(key)) ^ 0x80000000u);
}

std::optional<Date> decode_date(std::string_view key) {
  std::optional<double> day = decode_numeric(key);
  if (!day) return std::nullopt;
  // Day numbers beyond any calendar date the program handles give the empty date.
  if (!(*day >= 1 && *day <= 1e8) || *day != std::floor(*day)) return Date();
  return Date::from_julian(static_cast<int64_t>(*day));
}

std::optional<bool> decode_logical(std::string_view key) {
  if (key.size() != 1) return std::nullopt;
  const char c = key[0];
  return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

std::optional<std::string> encode_seek_key(const TagInfo& tag, const Value& value) {
  const size_t value_length = tag.key_length - (tag.nullable ? 1 : 0);
  std::string key;
  switch (value.kind()) {
    case Kind::kNil:
      return std::string();
    case Kind::kString:
      key = value.as_string();
      break;
    case Kind::kInteger:
    case Kind::kFloat:
      key = value_length == 4 ? encode_integer(to_integer_key(value.to_double()))
                              : encode_numeric(value.to_double());
      break;
    case Kind::kDate:
      key = encode_date(value.as_date());
      break;
    case Kind::kLogic:
      key = encode_logical(value.as_logic());
      break;
    default:
      return std::nullopt;
  }
  if (tag.nullable) key.insert(key.begin(), kNotNullIndicator);
  if (key.size() > tag.key_length) key.resize(tag.key_length);
  return key;
}

}  // namespace kx::tables::cdx
