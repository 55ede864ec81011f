#include "errors/error_page.h"

#include "console/console.h"
#include "errors/error_record.h"
#include "runtime/errors/error_texts.h"
#include "runtime/process/activation.h"
#include "runtime/process/exit.h"
#include "runtime/process/run_stamp.h"
#include "runtime/process/secrets.h"
#include "runtime/process/work_area_query.h"
#include "runtime/text/text.h"
#include "runtime/values/type_names.h"

namespace kx {
namespace {

constexpr size_t kModuleWidth = 30;

// A value as the page shows it.
std::string shown(const std::string& value) { return html_escape(mask_secrets(value)); }

void line(const std::string& text) { QOUT(text + "<br>"); }

void field(const char* label, const std::string& value) { line(label + shown(value)); }

void write_banner() {
  for (int i = 0; i < 10; ++i) QOUT("<br>");
  QOUT("************************* ERROR *************************<br>");
  QOUT(kPageAttribution);
  const platform::LocalDateTime now = clock_now();
  line(date_text(today(now)) + " " + time_text(now));
  QOUT("<br>");
  QOUT("Error message:<br>");
  QOUT("--------------<br>");
}

void write_record(const ERROR& e) {
  field("Argument         : ", trim_left(e.ARG));
  field("Argument Number  : ", decimal(e.ARGNUM));
  field("Argument Type    : ", type_name(e.ARGTYPE));
  field("Arg Type Required: ", type_name(e.ARGTYPEREQ));
  field("Call Func Sym    : ", e.CALLFUNCSYM.name());
  field("Description      : ", e.DESCRIPTION);
  field("DOS Error        : ", os_error_text(e.OSCODE));
  field("Sub Code         : ", decimal(e.SUBCODE));
  field("Sub Code Text    : ", e.SUBCODETEXT);
  field("Sub System       : ", e.SUBSYSTEM);
  field("Generated Code   : ", generic_error_text(e.GENCODE));
  field("Operation        : ", e.OPERATION);
  field("File Handle      : ", decimal(e.FILEHANDLE));
  field("File Name        : ", e.FILENAME);
  const uint32_t address = static_cast<uint32_t>(e.FUNCPTR);
  field("Func PTR         : ",
        value_text(Value::pointer(address)) + "  " + number_text(Value::number(address)));
  field("Func Symbol      : ", e.FUNCSYM.name());
  field("Maximum Size     : ", decimal(e.MAXSIZE));
  field("Method Self      : ", e.METHODSELF ? e.METHODSELF->class_name() : "");
}

void write_alias_line() {
  const CurrentArea area = current_area();
  line("Alias            : " + shown(area.alias) + "   Recno: " + decimal(area.recno) +
       "   LastRec: " + decimal(area.lastrec));
}

std::string fit(const std::string& text, size_t width) {
  return text.size() >= width ? text.substr(0, width)
                              : text + std::string(width - text.size(), ' ');
}

void write_stack(uint32_t start_level) {
  for (uint32_t n = start_level; n <= kPageLastLevel; ++n) {
    const uint32_t statement = activation_line(n);
    if (statement == 0) break;
    line("   - " + shown(fit(activation_module(n), kModuleWidth)) + ": " +
         shown(activation_name(n)) + " (Line: " + decimal(statement) + ")");
  }
}

}  // namespace

std::string html_escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

void MYERRORHANDLEREX(const Value& error, const std::string& text, uint32_t start_level) {
  Activation activation("MYERRORHANDLEREX", kModuleFunctions);
  write_banner();
  activation.at(2);
  if (const ERROR* e = as_error(error)) write_record(*e);
  activation.at(3);
  if (!text.empty()) field("Error            : ", text);
  activation.at(4);
  write_alias_line();
  activation.at(5);
  QOUT("Call Stack:<br>");
  write_stack(start_level);
}

void MYERRORHANDLER(const Value& error) {
  Activation activation("MYERRORHANDLER", kModuleFunctions);
  MYERRORHANDLEREX(error, "", 2);
  activation.at(2);
  orderly_exit();
}

}  // namespace kx
