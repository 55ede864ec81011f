#include "json/json.h"

#include <cstdio>

#include "console/console.h"
#include "json/escape.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/activation.h"
#include "runtime/text/text.h"

namespace kx {
namespace {

// The number's text without the padding that number_text adds.
std::string number_member(const Value& value) {
  std::string text = number_digits(value);
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  return text;
}

std::string date_member(const Date& date) {
  if (date.empty()) return "\"\"";
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "\"%04d-%02d-%02d\"", date.year() % 10000,
                date.month() % 100, date.day() % 100);
  return buffer;
}

bool has_text_form(const Value& value) {
  switch (value.kind()) {
    case Kind::kArray:
    case Kind::kObject:
    case Kind::kPointer:
      return false;
    default:
      return true;
  }
}

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

std::string json_member_value(const Value& value) {
  switch (value.kind()) {
    case Kind::kInteger:
    case Kind::kFloat:
      return number_member(value);
    case Kind::kLogic:
      return value.as_logic() ? "1" : "0";
    case Kind::kDate:
      return date_member(value.as_date());
    default:
      break;
  }
  if (!has_text_form(value)) {
    RuntimeError error;
    error.gencode = kGenDataType;
    error.subsystem = "BASE";
    error.description = "the value has no text form";
    error.funcsym = Symbol::intern("JSON:OUTPUT");
    error.argnum = 2;
    error.argtype = value.type_code();
    error.argtypereq = kTypeString;
    error.arg = value_text(value);
    raise_runtime_error(error);
  }
  return "\"" + _OUTPUTSTRING(trim_right(value_text(value))) + "\"";
}

void JSON::INIT() {
  Activation activation("JSON:INIT", kModuleJson);
  LJSONSTART = false;
}

void JSON::OUTPUTSTART() {
  Activation activation("JSON:OUTPUTSTART", kModuleJson);
  QOUT("{");
  activation.at(2);
  LJSONSTART = false;
}

void JSON::write_member_separator() {
  if (LJSONSTART) {
    QOUT(",");
  } else {
    LJSONSTART = true;
  }
}

void JSON::OUTPUT(const std::string& name, const Value& value) {
  Activation activation("JSON:OUTPUT", kModuleJson);
  if (!has_text_form(value)) {
    // The comma line goes out before the error that the value raises.
    write_member_separator();
    activation.at(2);
    const std::string text = json_member_value(value);
    activation.at(3);
    QOUT("\"" + escape_json_chars(name) + "\":" + text);
    return;
  }
  // Nothing between the comma line and the member can fail, so both go out
  // in one write: the same bytes, half the system calls.
  const bool comma = LJSONSTART;
  LJSONSTART = true;
  activation.at(2);
  const std::string text = json_member_value(value);
  activation.at(3);
  const std::string escaped = escape_json_chars(name);
  std::string member;
  member.reserve(escaped.size() + text.size() + 3);
  member += '"';
  member += escaped;
  member += "\":";
  member += text;
  if (comma) {
    qout_two_lines(",", member);
  } else {
    QOUT(member);
  }
}

void JSON::OUTPUTEND() {
  Activation activation("JSON:OUTPUTEND", kModuleJson);
  QOUT("}");
  activation.at(2);
  LJSONSTART = false;
}

// Element writers of arrays are ordinary writers, held in OJSON2 (first
// level) and OJSON3 (second level).
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
