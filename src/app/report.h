// The exchange-rate report: the program's main function.
#ifndef KX_APP_REPORT_H_
#define KX_APP_REPORT_H_

#include "runtime/values/value.h"

namespace kx {

// True for the ID of the home currency, which the report leaves out.
bool is_home_currency(const Value& id);

// Runs start-up, prints the report of the active date's rates for every
// currency but the home currency, and closes all tables.
void START();

}  // namespace kx

#endif  // KX_APP_REPORT_H_
