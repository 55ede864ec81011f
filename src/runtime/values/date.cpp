#include "runtime/values/date.h"

namespace kx {
namespace {

bool is_leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap(year) ? 29 : kDays[month - 1];
}

}  // namespace

Date Date::from_ymd(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return Date();
  if (day < 1 || day > days_in_month(year, month)) return Date();
  return Date(year, month, day);
}

// Fliegel and Van Flandern's conversion between Gregorian dates and Julian days.
Date Date::from_julian(int64_t julian_day) {
  if (julian_day <= 0) return Date();
  int64_t l = julian_day + 68569;
  const int64_t n = 4 * l / 146097;
  l -= (146097 * n + 3) / 4;
  const int64_t i = 4000 * (l + 1) / 1461001;
  l = l - 1461 * i / 4 + 31;
  const int64_t j = 80 * l / 2447;
  const int64_t day = l - 2447 * j / 80;
  l = j / 11;
  const int64_t month = j + 2 - 12 * l;
  const int64_t year = 100 * (n - 49) + i + l;
  if (year < 1 || year > 9999) return Date();
  return from_ymd(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
}

int64_t Date::julian() const {
  if (empty()) return 0;
  const int64_t a = (14 - month_) / 12;
  const int64_t y = year_ + 4800 - a;
  const int64_t m = month_ + 12 * a - 3;
  return day_ + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

Date Date::from_dtos(std::string_view digits) {
  if (digits.size() != 8) return Date();
  int parts[3] = {0, 0, 0};
  static constexpr int kLengths[] = {4, 2, 2};
  size_t pos = 0;
  for (int p = 0; p < 3; ++p) {
    for (int k = 0; k < kLengths[p]; ++k, ++pos) {
      const char c = digits[pos];
      if (c < '0' || c > '9') return Date();
      parts[p] = parts[p] * 10 + (c - '0');
    }
  }
  return from_ymd(parts[0], parts[1], parts[2]);
}

std::string Date::dtos() const {
  if (empty()) return std::string(8, ' ');
  std::string s(8, '0');
  int v = year_;
  for (int i = 3; i >= 0; --i, v /= 10) s[i] = static_cast<char>('0' + v % 10);
  s[4] = static_cast<char>('0' + month_ / 10);
  s[5] = static_cast<char>('0' + month_ % 10);
  s[6] = static_cast<char>('0' + day_ / 10);
  s[7] = static_cast<char>('0' + day_ % 10);
  return s;
}

}  // namespace kx
