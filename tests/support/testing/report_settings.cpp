#include "support/testing/report_settings.h"

#include "runtime/process/settings.h"

namespace kx::test {

void apply_report_settings() {
  set_international(InternationalMode::kFixed);
  set_century(true);
  set_fixed(true);
  set_digits(20);
  set_date_format("DD/MM/YYYY");
  set_decimal_separator(',');
  set_thousands_separator('.');
}

}  // namespace kx::test
