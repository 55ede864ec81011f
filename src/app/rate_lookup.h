// Finding the exchange-rate record that applies to a currency on a date.
#ifndef KX_APP_RATE_LOOKUP_H_
#define KX_APP_RATE_LOOKUP_H_

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/values/date.h"
#include "runtime/values/value.h"

namespace kx {

// What one lookup did, for an administrator's check of an installation.
struct LookupTrace {
  enum class Step { kHome, kExactDay, kMonth, kYear, kPreviousYear };
  struct Seek {
    Step step;
    std::string key;
    bool soft = false;
    bool found = false;
  };
  std::vector<Seek> seeks;  // in the order made
  // The step of the last seek: the record it found, or the scan from where
  // it left M_KURSMA, gave the result. kHome for the home currency.
  Step step = Step::kHome;
  uint32_t skipped = 0;  // records the scan passed over: the currency's, dated after date
  bool chosen = false;   // M_KURSMA stands on the record whose rates apply
};

// Positions M_KURSMA on the rate record of currency id that applies on date
// and returns its sell (sell true) or buy rate; 1 for the home currency (id
// 1, M_KURSMA untouched); 0 with M_KURSMA at end of file when no record
// applies. Tries the exact date, then the earliest record of the date's
// month, of its year and of the previous year, and accepts the first record
// from there that belongs to the currency and is dated on or before date.
// trace, when given, is filled with what the lookup did (it must be new);
// the lookup itself does the same with or without it.
Value GET_KURSEXFIND(uint32_t id, const Date& date, bool sell, LookupTrace* trace = nullptr);

}  // namespace kx

#endif  // KX_APP_RATE_LOOKUP_H_
