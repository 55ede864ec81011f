#include "app/report.h"

#include "app/dbkontro.h"
#include "app/numeric_errors.h"
#include "app/rate_lookup.h"
#include "app/startup.h"
#include "app/table_names.h"
#include "json/json.h"
#include "runtime/process/activation.h"
#include "runtime/process/run_stamp.h"
#include "runtime/process/settings.h"
#include "runtime/text/text.h"
#include "table_functions/program_helpers.h"
#include "table_functions/table_functions.h"

namespace kx {
namespace {

using table_names::kCurrencies;
using table_names::kRates;

void write_currency(JSON& json, Activation& activation, const Date& active_date) {
  activation.at(9);
  GET_KURSEXFIND(to_dword(field_get(kCurrencies, "ID")), active_date, true);
  activation.at(10);
  const std::string code = trim_right(value_text(field_get(kCurrencies, "KODE")));
  json.OUTPUT("ID_" + code, field_get(kCurrencies, "ID"));
  activation.at(11);
  json.OUTPUT("Kode_" + code, field_get(kCurrencies, "KODE"));
  activation.at(12);
  json.OUTPUT("Nama_" + code, field_get(kCurrencies, "NAMA"));
  activation.at(13);
  json.OUTPUT("KursBeli_" + code, field_get(kRates, "KURS_BELI"));
  activation.at(14);
  json.OUTPUT("KursJual_" + code, field_get(kRates, "KURS_JUAL"));
}

}  // namespace

bool is_home_currency(const Value& id) {
  return id.is_number() && float_equal(id.to_double(), 1.0);
}

void walk_report_currencies(Activation& activation, const std::function<void()>& each) {
  activation.at(6);
  aliased(kCurrencies, [] { return VOSETORDER(Value::string(table_names::kCurrencyTag)); });
  activation.at(7);
  aliased(kCurrencies, [] { db_go_top(); });
  activation.at(8);
  while (!aliased(kCurrencies, [] { return db_eof(); })) {
    if (!is_home_currency(field_get(kCurrencies, "ID"))) each();
    activation.at(15);
    aliased(kCurrencies, [] { db_skip(1); });
    activation.at(8);
  }
}

void START() {
  Activation activation("START", kModuleMain);
  STARTPRE2({kCurrencies, kRates});
  activation.at(2);
  const std::shared_ptr<DBKONTRO> control = control_object();
  if (!control) return;
  activation.at(3);
  JSON json;
  json.OUTPUTSTART();
  activation.at(4);
  json.OUTPUT("Aktif_Tanggal", Value::date(control->DAKTIF));
  activation.at(5);
  json.OUTPUT("Aktif_Jam", Value::string(time_text(clock_now())));
  walk_report_currencies(activation, [&] { write_currency(json, activation, control->DAKTIF); });
  activation.at(16);
  json.OUTPUTEND();
  activation.at(17);
  db_close_all();
}

}  // namespace kx
