#include "table_functions/program_helpers.h"

#include "errors/json_objects.h"
#include "runtime/process/activation.h"
#include "runtime/text/text.h"
#include "table_functions/table_functions.h"

namespace kx {
namespace {

std::string order_text(const Value& order) {
  if (order.is_string()) return order.as_string();
  if (order.is_number())
    return trim(number_text(Value::integer(static_cast<int32_t>(order.to_double()))));
  return value_text(order);
}

std::string cannot_set_order(const Value& order) {
  return "CANNOT SET ORDER TO \"" + order_text(order) + "\"";
}

}  // namespace

bool VOSETORDER(const Value& order) {
  Activation activation("VOSETORDER", kModuleDatabases);
  const std::string alias = db_alias();
  activation.at(2);
  if (alias.empty()) ERROROCCUR(cannot_set_order(order) + ", EMPTY ALIAS NAME !");
  activation.at(3);
  if (order.is_string() && trim(order.as_string()).empty()) {
    ERROROCCUR(cannot_set_order(order) + ", EMPTY ORDER NAME !");
  }
  activation.at(4);
  if (!DBSETORDER(order)) {
    ERROROCCUR(cannot_set_order(order) + ", ALIAS: " + alias + ", PLEASE RUN CREATE INDEXES !");
  }
  activation.at(5);
  return true;
}

uint16_t VOFIELDLEN(const std::string& field_name) {
  Activation activation("VOFIELDLEN", kModuleFunctions);
  const uint32_t position = db_field_pos(field_name);
  activation.at(2);
  if (position == 0) {
    ERROROCCUR("CANNOT FIND FIELD \"" + field_name + "\", ALIAS: " + db_alias() + " !");
  }
  activation.at(3);
  const Value width = DBFIELDINFO(kDbsLen, position);
  return static_cast<uint16_t>(width.to_double());
}

bool VOSEEKFAILED() {
  Activation activation("VOSEEKFAILED", kModuleDatabases);
  db_go_bottom();
  activation.at(2);
  db_skip(1);
  activation.at(3);
  DBSETFOUND(false);
  activation.at(4);
  return true;
}

}  // namespace kx
