#include "errors/error_message.h"

#include "runtime/errors/error_texts.h"
#include "runtime/process/secrets.h"
#include "runtime/text/ascii.h"
#include "runtime/text/text.h"
#include "runtime/values/type_names.h"

namespace kx {
namespace {

std::string first_line(const ERROR& e) {
  const std::string prefix = e.SEVERITY == 1 ? "WARNING : " : "Error Code: ";
  if (e.GENCODE == 0) return prefix + " " + mask_secrets(e.DESCRIPTION);
  return prefix + " " + decimal(e.GENCODE) + " [ " + ascii_upper(generic_error_text(e.GENCODE)) +
         " ]";
}

}  // namespace

std::string ERRORMESSAGE(const ERROR& e) {
  std::string m = first_line(e) + "\r\n";
  auto add = [&m](const std::string& label, const std::string& value) {
    m += label + mask_secrets(value) + "\r\n";
  };
  if (!e.SUBSYSTEM.empty()) add("Subsystem: ", e.SUBSYSTEM);
  if (e.SUBCODE != 0) {
    add("Error Subcode: ",
        decimal(e.SUBCODE) + (e.SUBCODETEXT.empty() ? "" : " (" + e.SUBCODETEXT + ")"));
  }
  if (!e.OPERATION.empty()) add("Operation: ", e.OPERATION);
  if (!e.FUNCSYM.null()) add("Function: ", e.FUNCSYM.name());
  if (!e.FILENAME.empty()) {
    m += "Filename: " + mask_secrets(e.FILENAME).substr(0, kMessageFileNameWidth) + "\r\n";
  }
  if (!e.ARG.empty()) add("Argument: ", e.ARG);
  if (!e.ARG.empty() && e.ARGTYPE != 0) add("Type: ", type_name(e.ARGTYPE));
  if (e.ARGNUM != 0) add("Argument Number: ", decimal(e.ARGNUM));
  if (e.ARGTYPEREQ != 0 && e.ARGTYPEREQ != e.ARGTYPE)
    add("Requested type: ", type_name(e.ARGTYPEREQ));
  if (!e.DESCRIPTION.empty()) add("Description: ", e.DESCRIPTION);
  return m;
}

}  // namespace kx
