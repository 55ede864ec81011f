// Finding the exchange-rate record that applies to a currency on a date.
#ifndef KX_APP_RATE_LOOKUP_H_
#define KX_APP_RATE_LOOKUP_H_

#include <cstdint>

#include "runtime/date.h"
#include "runtime/value.h"

namespace kx {

// Positions M_KURSMA on the rate record of currency id that applies on date
// and returns its sell (sell true) or buy rate; 1 for the home currency (id
// 1, M_KURSMA untouched); 0 with M_KURSMA at end of file when no record
// applies. Tries the exact date, then the earliest record of the date's
// month, of its year and of the previous year, and accepts the first record
// from there that belongs to the currency and is dated on or before date.
Value GET_KURSEXFIND(uint32_t id, const Date& date, bool sell);

}  // namespace kx

#endif  // KX_APP_RATE_LOOKUP_H_
