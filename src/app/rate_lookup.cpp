#include "app/rate_lookup.h"

#include <string>

#include "app/numeric_errors.h"
#include "app/table_names.h"
#include "runtime/process/activation.h"
#include "runtime/process/settings.h"
#include "table_functions/program_helpers.h"
#include "table_functions/table_functions.h"

namespace kx {
namespace {

using table_names::kRates;

// The currency part of a MU_TGL key: the id's digits left-padded with "0" to
// the declared width of MAUANG_ID, cut to that width when longer.
std::string key_prefix(uint32_t id) {
  const uint16_t width = aliased(kRates, [] { return VOFIELDLEN("MAUANG_ID"); });
  std::string digits = std::to_string(id);
  if (digits.size() < width) return std::string(width - digits.size(), '0') + digits;
  return digits.substr(0, width);
}

bool seek(const std::string& key, bool soft, LookupTrace::Step step, LookupTrace* trace) {
  const bool found = aliased(kRates, [&] { return DBSEEK(Value::string(key), soft, false); });
  if (trace != nullptr) {
    trace->seeks.push_back({step, key, soft, found});
    trace->step = step;
  }
  return found;
}

Value rate(bool sell) { return field_get(kRates, sell ? "KURS_JUAL" : "KURS_BELI"); }

bool current_is(uint32_t id) {
  const Value current = field_get(kRates, "MAUANG_ID");
  return current.is_number() && float_equal(current.to_double(), static_cast<double>(id));
}

bool at_end() {
  return aliased(kRates, [] { return db_eof(); });
}

}  // namespace

Value GET_KURSEXFIND(uint32_t id, const Date& date, bool sell, LookupTrace* trace) {
  using Step = LookupTrace::Step;
  Activation activation("GET_KURSEXFIND", kModuleFunctions);
  if (id == 1) return Value::floating(1, "1");
  activation.at(2);
  Value result = Value::floating(0, "0");
  activation.at(3);
  aliased(kRates, [] { return VOSETORDER(Value::string(table_names::kRateTag)); });
  activation.at(4);
  const std::string d8 = date.dtos();
  // The field's width cannot change while the table is open, so the
  // currency part of the key is worked out once for the seeks below.
  const std::string currency = key_prefix(id);
  if (seek(currency + d8, false, Step::kExactDay, trace)) {
    activation.at(5);
    if (trace != nullptr) trace->chosen = true;
    return rate(sell);
  }
  activation.at(6);
  if (!seek(currency + d8.substr(0, 6), true, Step::kMonth, trace)) {
    activation.at(7);
    if (!seek(currency + std::to_string(date.year()), true, Step::kYear, trace)) {
      activation.at(8);
      if (date.year() == 0) {
        raise_unsigned_overflow("GET_KURSEXFIND", "year - 1 of an empty date");
        return result;
      }
      seek(currency + std::to_string(date.year() - 1), true, Step::kPreviousYear, trace);
    }
  }
  activation.at(9);
  while (!at_end() && current_is(id)) {
    activation.at(10);
    const Value tanggal = field_get(kRates, "TANGGAL");
    if (tanggal.kind() == Kind::kDate && tanggal.as_date().julian() <= date.julian()) {
      activation.at(11);
      result = rate(sell);
      if (trace != nullptr) trace->chosen = true;
      break;
    }
    activation.at(12);
    if (trace != nullptr) ++trace->skipped;
    aliased(kRates, [] { db_skip(1); });
  }
  activation.at(13);
  if (!current_is(id)) aliased(kRates, [] { return VOSEEKFAILED(); });
  activation.at(14);
  return result;
}

}  // namespace kx
