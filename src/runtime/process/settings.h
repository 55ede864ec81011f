// The process-wide conversion settings that number, date and time text
// follow. Start-up fixes them for the whole run.
#ifndef KX_RUNTIME_PROCESS_SETTINGS_H_
#define KX_RUNTIME_PROCESS_SETTINGS_H_

#include <string>

namespace kx {

enum class InternationalMode { kOperatingSystem, kFixed };

struct ConversionSettings {
  bool exclusive = false;  // 1 tables open exclusively
  InternationalMode international = InternationalMode::kOperatingSystem;  // 2
  bool ansi = true;                                                       // 3 table text is ANSI
  bool century = false;                                                   // 4 four-digit years
  bool fixed = false;                                                     // 5 fixed number layout
  int digits = 10;                        // 6 integer digits in text
  double float_delta = 0.00000000000001;  // 7 comparison tolerance
  std::string date_format = "MM/DD/YY";   // 8
  char decimal_separator = '.';           // 9
  char thousands_separator = ',';         // 10
  std::string default_driver = "DBFCDX";  // 11
  // Set with the international mode.
  char time_separator = ':';
  bool am_pm = false;
  int decimals = 2;
};

// The settings in force (runtime/process/process_state.h).
ConversionSettings& settings();

void set_exclusive(bool on);
// The fixed mode sets ".", ",", ":", a 24-hour clock, "MM/DD/YY" and 2
// decimals; the operating-system mode the current user's values (on every
// platform we take the same fixed values with four-digit years, since none
// of them reaches the program's output).
void set_international(InternationalMode mode);
void set_ansi(bool on);
// Turns four-digit years in the date format on or off.
void set_century(bool on);
void set_fixed(bool on);
void set_digits(int digits);
void set_float_delta(double delta);
// Whether two floating values compare equal under the tolerance in force:
// they differ by less than float_delta.
bool float_equal(double a, double b);
// A date format made of DD, MM, YY or YYYY and separators.
void set_date_format(const std::string& format);
void set_decimal_separator(char c);
void set_thousands_separator(char c);
void set_default_driver(const std::string& driver);

}  // namespace kx

#endif  // KX_RUNTIME_PROCESS_SETTINGS_H_
