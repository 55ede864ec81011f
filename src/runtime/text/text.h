// Number, date, time and general value text, following the conversion settings.
#ifndef KX_RUNTIME_TEXT_TEXT_H_
#define KX_RUNTIME_TEXT_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "runtime/values/value.h"

namespace kx {

// A number as text: right-aligned in the integer width of the settings,
// integers without decimals, floats with the settings' decimal count and
// decimal separator, rounded half away from zero on the exact decimal value.
// A value wider than the field keeps all its digits (never asterisks).
// Untrimmed.
std::string number_text(const Value& number);
// number_text without its left padding: the digits, sign and decimal
// separator alone.
std::string number_digits(const Value& number);

// A decimal text ("-1.005", "42") rounded half away from zero to places
// decimals; the result always has places decimals after a ".".
std::string round_decimal(const std::string& decimal, int places);

// The exact decimal text of a float: its stored text, else the shortest text
// that reads back as the same double.
std::string float_decimal(const Float& f);

// A date in the date format of the settings; blanks in place of the digits
// for the empty date.
std::string date_text(const Date& date);

// hh:mm:ss with the time separator of the settings.
std::string time_text(const platform::LocalDateTime& t);

// Today's date from the clock, as a Date.
Date today(const platform::LocalDateTime& t);

// Any value in its general text form (strings unchanged, numbers as
// number_text, logic .T./.F., dates as date_text, NIL, symbols by name).
std::string value_text(const Value& value);

// Removes blanks from the right, the left, or both ends.
std::string trim_right(std::string_view s);
std::string trim_left(std::string_view s);
std::string trim(std::string_view s);

// Unsigned decimal digits.
std::string decimal(uint64_t v);

}  // namespace kx

#endif  // KX_RUNTIME_TEXT_TEXT_H_
