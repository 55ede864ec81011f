// Arrays of element objects on the JSON writer. Element writers are ordinary
// writers held in OJSON2 (first level) and OJSON3 (second level).
#include "console/console.h"
#include "json/escape.h"
#include "json/json.h"
#include "runtime/activation.h"
#include "runtime/runtime_error.h"

namespace kx {
namespace {

void write_array_open(const std::string& name) { QOUT("\"" + escape_json_chars(name) + "\":["); }

// Comma line before every element but the first.
void write_element_separator(bool* started) {
  if (*started) {
    QOUT(",");
  } else {
    *started = true;
  }
}

}  // namespace

JSON* JSON::element(const std::unique_ptr<JSON>& writer, const char* method) {
  if (writer) return writer.get();
  RuntimeError error;
  error.subsystem = "BASE";
  error.gencode = kGenNoMethod;
  error.description = "no array element is open";
  error.funcsym = Symbol::intern(method);
  raise_runtime_error(error);
  return nullptr;
}

void JSON::OUTPUTARRAYSTART(const std::string& name) {
  Activation activation("JSON:OUTPUTARRAYSTART", kModuleJson);
  write_member_separator();
  activation.at(2);
  write_array_open(name);
  activation.at(3);
  LJSONARRAYSTART = false;
}

void JSON::OUTPUTARRAYJSONSTART() {
  Activation activation("JSON:OUTPUTARRAYJSONSTART", kModuleJson);
  write_element_separator(&LJSONARRAYSTART);
  activation.at(2);
  OJSON2 = std::make_unique<JSON>();
  activation.at(3);
  OJSON2->OUTPUTSTART();
}

void JSON::OUTPUTARRAYJSONOUTPUT(const std::string& name, const Value& value) {
  Activation activation("JSON:OUTPUTARRAYJSONOUTPUT", kModuleJson);
  if (JSON* target = element(OJSON2, "JSON:OUTPUTARRAYJSONOUTPUT")) target->OUTPUT(name, value);
}

void JSON::OUTPUTARRAYJSONEND() {
  Activation activation("JSON:OUTPUTARRAYJSONEND", kModuleJson);
  if (JSON* target = element(OJSON2, "JSON:OUTPUTARRAYJSONEND")) target->OUTPUTEND();
  activation.at(2);
  OJSON2.reset();
}

void JSON::OUTPUTARRAYEND() {
  Activation activation("JSON:OUTPUTARRAYEND", kModuleJson);
  QOUT("]");
  activation.at(2);
  LJSONARRAYSTART = false;
}

// A nested array is a member of the open first-level element; its comma comes
// from the first-level element flag, which the element start has already set.
void JSON::OUTPUTARRAY2START(const std::string& name) {
  Activation activation("JSON:OUTPUTARRAY2START", kModuleJson);
  write_element_separator(&LJSONARRAYSTART);
  activation.at(2);
  write_array_open(name);
  activation.at(3);
  LJSONARRAY2START = false;
}

void JSON::OUTPUTARRAY2JSONSTART() {
  Activation activation("JSON:OUTPUTARRAY2JSONSTART", kModuleJson);
  write_element_separator(&LJSONARRAY2START);
  activation.at(2);
  OJSON3 = std::make_unique<JSON>();
  activation.at(3);
  OJSON3->OUTPUTSTART();
}

void JSON::OUTPUTARRAY2JSONOUTPUT(const std::string& name, const Value& value) {
  Activation activation("JSON:OUTPUTARRAY2JSONOUTPUT", kModuleJson);
  if (JSON* target = element(OJSON3, "JSON:OUTPUTARRAY2JSONOUTPUT")) target->OUTPUT(name, value);
}

void JSON::OUTPUTARRAY2JSONEND() {
  Activation activation("JSON:OUTPUTARRAY2JSONEND", kModuleJson);
  if (JSON* target = element(OJSON3, "JSON:OUTPUTARRAY2JSONEND")) target->OUTPUTEND();
  activation.at(2);
  OJSON3.reset();
}

void JSON::OUTPUTARRAY2END() {
  Activation activation("JSON:OUTPUTARRAY2END", kModuleJson);
  QOUT("]");
  activation.at(2);
  LJSONARRAY2START = false;
}

}  // namespace kx
