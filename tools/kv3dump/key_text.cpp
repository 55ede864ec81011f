#include "kv3dump/key_text.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "kv3dump/record_text.h"
#include "runtime/text/text.h"
#include "tables/cdx/key_encoding.h"

namespace kx::kv3dump {
namespace {

namespace cdx = tables::cdx;
using tables::expr::KeyPlan;
using tables::expr::Type;

constexpr double kMillisecondsPerDay = 86400000.0;

std::string quoted_date(const Date& d) {
  if (d.empty()) return "\"\"";
  char text[16];
  std::snprintf(text, sizeof text, "\"%04d-%02d-%02d\"", d.year(), d.month(), d.day());
  return text;
}

std::optional<std::string> number_json(std::string_view value, bool integer) {
  if (integer) {
    const std::optional<int32_t> n = cdx::decode_integer(value);
    return n ? std::optional<std::string>(std::to_string(*n)) : std::nullopt;
  }
  const std::optional<double> n = cdx::decode_numeric(value);
  if (!n || !std::isfinite(*n)) return std::nullopt;
  return float_decimal(Float{*n, ""});
}

// A datetime key is the Julian day plus the fraction of the day.
std::optional<std::string> datetime_json(std::string_view value) {
  const std::optional<double> n = cdx::decode_numeric(value);
  if (!n || !std::isfinite(*n) || *n < 0 || *n > 1e9) return std::nullopt;
  const double day = std::floor(*n);
  const double ms = std::round((*n - day) * kMillisecondsPerDay);
  return json_text(datetime_text(static_cast<int64_t>(day), static_cast<uint32_t>(ms)));
}

// The value part of a key (after any indicator byte) as JSON.
std::optional<std::string> value_json(std::string_view value, const KeyPlan& plan,
                                      const CodePage& page) {
  switch (plan.type) {
    case Type::kCharacter:
      return json_text(page.to_utf8(value));
    case Type::kNumber:
      return number_json(value, plan.integer);
    case Type::kDate: {
      const std::optional<Date> d = cdx::decode_date(value);
      return d ? std::optional<std::string>(quoted_date(*d)) : std::nullopt;
    }
    case Type::kDateTime:
      return datetime_json(value);
    case Type::kLogical: {
      const std::optional<bool> b = cdx::decode_logical(value);
      return b ? std::optional<std::string>(*b ? "true" : "false") : std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace

std::string hex_bytes(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(c));
    out += (out.empty() ? "" : " ") + std::string(hex);
  }
  return out;
}

std::string key_json(std::string_view key, const KeyPlan& plan, const CodePage& page) {
  std::optional<std::string> value;
  if (plan.nullable && !key.empty() && key.find_first_not_of('\0') == std::string_view::npos) {
    value = "null";
  } else if (plan.nullable && !key.empty() && key[0] == cdx::kNotNullIndicator) {
    value = value_json(key.substr(1), plan, page);
  } else if (!plan.nullable) {
    value = value_json(key, plan, page);
  }
  return "{\"value\":" + value.value_or(json_text(latin1_to_utf8(key))) + ",\"hex\":\"" +
         hex_bytes(key) + "\"}";
}

}  // namespace kx::kv3dump
