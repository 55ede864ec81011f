// The exchange-rate report: the program's main function.
#ifndef KX_APP_REPORT_H_
#define KX_APP_REPORT_H_

#include <functional>

#include "runtime/process/activation.h"
#include "runtime/values/value.h"

namespace kx {

// True for the ID of the home currency, which the report leaves out.
bool is_home_currency(const Value& id);

// The report's walk: the currencies of the open M_MAUANG in the order of its
// ID tag, each() on every one but the home currency. activation takes the
// walk's line numbers, START's.
void walk_report_currencies(Activation& activation, const std::function<void()>& each);

// Runs start-up, prints the report of the active date's rates for every
// currency but the home currency, and closes all tables.
void START();

}  // namespace kx

#endif  // KX_APP_REPORT_H_
