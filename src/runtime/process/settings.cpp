#include "runtime/process/settings.h"

#include <cmath>

#include "runtime/process/process_state.h"

namespace kx {

ConversionSettings& settings() { return process_state().slot<ConversionSettings>(); }

void set_exclusive(bool on) { settings().exclusive = on; }

void set_international(InternationalMode mode) {
  ConversionSettings& s = settings();
  s.international = mode;
  s.decimal_separator = '.';
  s.thousands_separator = ',';
  s.time_separator = ':';
  s.am_pm = false;
  s.decimals = 2;
  if (mode == InternationalMode::kFixed) {
    s.date_format = "MM/DD/YY";
    s.century = false;
  } else {
    s.date_format = "MM/DD/YYYY";
    s.century = true;
  }
}

void set_ansi(bool on) { settings().ansi = on; }

void set_century(bool on) {
  ConversionSettings& s = settings();
  s.century = on;
  const size_t four = s.date_format.find("YYYY");
  if (on && four == std::string::npos) {
    const size_t two = s.date_format.find("YY");
    if (two != std::string::npos) s.date_format.insert(two, "YY");
  } else if (!on && four != std::string::npos) {
    s.date_format.erase(four, 2);
  }
}

void set_fixed(bool on) { settings().fixed = on; }
void set_digits(int digits) { settings().digits = digits; }
void set_float_delta(double delta) { settings().float_delta = delta; }

bool float_equal(double a, double b) { return std::fabs(a - b) < settings().float_delta; }

void set_date_format(const std::string& format) {
  settings().date_format = format;
  settings().century = format.find("YYYY") != std::string::npos;
}

void set_decimal_separator(char c) { settings().decimal_separator = c; }
void set_thousands_separator(char c) { settings().thousands_separator = c; }
void set_default_driver(const std::string& driver) { settings().default_driver = driver; }

}  // namespace kx
