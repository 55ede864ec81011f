#include "runtime/text/text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "runtime/process/settings.h"
#include "runtime/text/ascii.h"

namespace kx {
namespace {

std::string pad_left(const std::string& s, size_t width) {
  return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

void put_two(std::string* out, int v) {
  out->push_back(static_cast<char>('0' + (v / 10) % 10));
  out->push_back(static_cast<char>('0' + v % 10));
}

}  // namespace

std::string round_decimal(const std::string& decimal, int places) {
  bool negative = false;
  std::string digits;  // all digits, integer part then fraction
  int int_len = 0;
  bool seen_point = false;
  for (char c : decimal) {
    if (c == '-') {
      negative = true;
    } else if (c == '.') {
      seen_point = true;
    } else if (c >= '0' && c <= '9') {
      digits.push_back(c);
      if (!seen_point) ++int_len;
    }
  }
  if (int_len == 0) {
    digits.insert(digits.begin(), '0');
    int_len = 1;
  }
  const size_t keep = static_cast<size_t>(int_len) + static_cast<size_t>(places);
  const bool round_up = digits.size() > keep && digits[keep] >= '5';
  digits.resize(keep, '0');
  if (round_up) {
    int i = static_cast<int>(keep) - 1;
    for (; i >= 0; --i) {
      if (digits[i] == '9') {
        digits[i] = '0';
      } else {
        ++digits[i];
        break;
      }
    }
    if (i < 0) {
      digits.insert(digits.begin(), '1');
      ++int_len;
    }
  }
  std::string int_part = digits.substr(0, int_len);
  while (int_part.size() > 1 && int_part[0] == '0') int_part.erase(0, 1);
  std::string result = int_part;
  if (places > 0) result += "." + digits.substr(int_len);
  const bool zero = result.find_first_not_of("0.") == std::string::npos;
  return negative && !zero ? "-" + result : result;
}

std::string float_decimal(const Float& f) {
  if (!f.decimal.empty()) return f.decimal;
  if (!std::isfinite(f.value)) return "0";
  char buffer[400];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, f.value, std::chars_format::fixed);
  return r.ec == std::errc() ? std::string(buffer, r.ptr) : "0";
}

std::string number_digits(const Value& number) {
  if (number.kind() == Kind::kInteger) return std::to_string(number.as_integer());
  if (number.kind() != Kind::kFloat) return "0";
  const ConversionSettings& s = settings();
  std::string text = round_decimal(float_decimal(number.as_float()), s.decimals);
  const size_t point = text.find('.');
  if (point != std::string::npos) text[point] = s.decimal_separator;
  return text;
}

std::string number_text(const Value& number) {
  const ConversionSettings& s = settings();
  const size_t width = static_cast<size_t>(s.digits);
  if (number.kind() != Kind::kFloat) return pad_left(number_digits(number), width);
  return pad_left(number_digits(number),
                  width + (s.decimals > 0 ? 1 + static_cast<size_t>(s.decimals) : 0));
}

std::string date_text(const Date& date) {
  const std::string& format = settings().date_format;
  std::string out;
  for (size_t i = 0; i < format.size();) {
    auto starts = [&](const char* token) {
      return format.compare(i, std::char_traits<char>::length(token), token) == 0;
    };
    if (starts("YYYY")) {
      if (date.empty()) {
        out += "    ";
      } else {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04d", date.year());
        out += buf;
      }
      i += 4;
    } else if (starts("YY") || starts("MM") || starts("DD")) {
      const int v = starts("YY") ? date.year() % 100 : starts("MM") ? date.month() : date.day();
      if (date.empty()) {
        out += "  ";
      } else {
        put_two(&out, v);
      }
      i += 2;
    } else {
      out.push_back(format[i++]);
    }
  }
  return out;
}

std::string time_text(const platform::LocalDateTime& t) {
  const char sep = settings().time_separator;
  std::string out;
  put_two(&out, t.hour);
  out.push_back(sep);
  put_two(&out, t.minute);
  out.push_back(sep);
  put_two(&out, t.second);
  return out;
}

Date today(const platform::LocalDateTime& t) { return Date::from_ymd(t.year, t.month, t.day); }

std::string value_text(const Value& value) {
  switch (value.kind()) {
    case Kind::kNil:
      return "NIL";
    case Kind::kInteger:
    case Kind::kFloat:
      return number_text(value);
    case Kind::kLogic:
      return value.as_logic() ? ".T." : ".F.";
    case Kind::kDate:
      return date_text(value.as_date());
    case Kind::kString:
      return value.as_string();
    case Kind::kArray:
      return "{[" + std::to_string(value.as_array().size()) + "]}";
    case Kind::kObject:
      return value.as_object() ? "{" + value.as_object()->class_name() + "}" : "NULL_OBJECT";
    case Kind::kSymbol:
      return value.as_symbol().name();
    case Kind::kPointer:
      return "0x" + hex_digits(value.as_pointer(), 8);
  }
  return "";
}

std::string trim_right(std::string_view s) {
  const size_t end = s.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(s.substr(0, end + 1));
}

std::string trim_left(std::string_view s) {
  const size_t start = s.find_first_not_of(' ');
  return start == std::string_view::npos ? std::string() : std::string(s.substr(start));
}

std::string trim(std::string_view s) { return trim_left(trim_right(s)); }

std::string decimal(uint64_t v) { return std::to_string(v); }

}  // namespace kx
