// Calendar dates, with the empty date that blank table fields read as.
#ifndef KX_RUNTIME_VALUES_DATE_H_
#define KX_RUNTIME_VALUES_DATE_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace kx {

class Date {
 public:
  // The empty date.
  Date() = default;

  // A valid Gregorian date, or the empty date when the day does not exist.
  static Date from_ymd(int year, int month, int day);
  // From a Julian day number (2440588 is 1970-01-01); 0 gives the empty date.
  static Date from_julian(int64_t julian_day);
  // From eight digits YYYYMMDD; blanks, zeros or an impossible day give the
  // empty date.
  static Date from_dtos(std::string_view digits);

  bool empty() const { return year_ == 0; }
  // Year, month and day; 0 for the empty date.
  int year() const { return year_; }
  int month() const { return month_; }
  int day() const { return day_; }
  // Julian day number; 0 for the empty date.
  int64_t julian() const;
  // YYYYMMDD, or eight blanks for the empty date.
  std::string dtos() const;

  friend bool operator==(const Date&, const Date&) = default;
  friend auto operator<=>(const Date& a, const Date& b) { return a.julian() <=> b.julian(); }

 private:
  Date(int year, int month, int day) : year_(year), month_(month), day_(day) {}
  int32_t year_ = 0;
  int32_t month_ = 0;
  int32_t day_ = 0;
};

}  // namespace kx

#endif  // KX_RUNTIME_VALUES_DATE_H_
