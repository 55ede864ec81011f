#include "json/json.h"

#include <cstdio>

#include "console/console.h"
#include "json/escape.h"
#include "runtime/activation.h"
#include "runtime/runtime_error.h"
#include "runtime/text.h"

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

}  // namespace kx
