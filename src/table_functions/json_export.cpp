#include "table_functions/json_export.h"

#include "runtime/process/activation.h"
#include "runtime/text/text.h"
#include "table_functions/table_functions.h"

namespace kx {
namespace {

// The audit fields and the member names they are written under.
constexpr const char* kAuditFields[][2] = {
    {"INPUT_OLEH", "InputBy"},   {"TGL_INPUT", "InputDate"},   {"JAM_INPUT", "InputTime"},
    {"UBAH_OLEH", "LastEditBy"}, {"TGL_UBAH", "LastEditDate"}, {"JAM_UBAH", "LastEditTime"},
};

void export_record(JSON* target, const std::string& alias, const Value& exclusions) {
  const uint32_t count = aliased(alias, [] { return db_field_count(); });
  for (uint32_t position = 1; position <= count; ++position) {
    const std::string name = aliased(alias, [&] { return db_field_name(position); });
    if (ASCANEXACT(exclusions, name) != 0) continue;
    Value value = aliased(alias, [&] { return FIELDGET(position); });
    if (value.is_string()) value = Value::string(trim(value.as_string()));
    target->OUTPUT(name, value);
  }
}

}  // namespace

void OUTPUTARRAYJSONOUTPUTFROMDBF(JSON* json, const std::string& alias, const Value& exclusions) {
  Activation activation("JSON:OUTPUTARRAYJSONOUTPUTFROMDBF", kModuleJson);
  if (JSON* target = json->element(json->OJSON2, "JSON:OUTPUTARRAYJSONOUTPUTFROMDBF")) {
    activation.at(2);
    export_record(target, alias, exclusions);
  }
}

void OUTPUTARRAY2JSONOUTPUTFROMDBF(JSON* json, const std::string& alias, const Value& exclusions) {
  Activation activation("JSON:OUTPUTARRAY2JSONOUTPUTFROMDBF", kModuleJson);
  if (JSON* target = json->element(json->OJSON3, "JSON:OUTPUTARRAY2JSONOUTPUTFROMDBF")) {
    activation.at(2);
    export_record(target, alias, exclusions);
  }
}

void OUTPUTARRAYJSONOUTPUTSECURE(JSON* json, const std::string& alias) {
  Activation activation("JSON:OUTPUTARRAYJSONOUTPUTSECURE", kModuleJson);
  if (aliased(alias, [] { return db_field_pos("INPUT_OLEH"); }) == 0) return;
  activation.at(2);
  for (const auto& field : kAuditFields) {
    json->OUTPUTARRAYJSONOUTPUT(field[1], field_get(alias, field[0]));
  }
}

}  // namespace kx
