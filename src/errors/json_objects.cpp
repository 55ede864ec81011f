#include "errors/json_objects.h"

#include "console/console.h"
#include "json/escape.h"
#include "runtime/process/activation.h"
#include "runtime/process/exit.h"

namespace kx {

std::string escape_json_text(const std::string& text) {
  return escape_json_chars(text, LineFeedEscape::kShort);
}

std::string state_object(uint16_t code, const std::string& text) {
  return "{\"State\":1,\"Error\":" + std::to_string(code) + ",\"ErrorAddText\":\"" +
         escape_json_text(text) + "\"}";
}

std::string error_object(const std::string& text) {
  const std::string escaped = escape_json_text(text);
  return "{\"Error\":1,\"ErrorText\":\"" + escaped + "\",\"ErrorAddText\":\"" + escaped + "\"}";
}

void ERRORSTATE(uint16_t code, const std::string& text) {
  Activation activation("ERRORSTATE", kModuleStart);
  const std::string object = state_object(code, text);
  activation.at(2);
  QOUT(object);
  activation.at(3);
  orderly_exit();
}

void ERROROCCUR(const std::string& text) {
  Activation activation("ERROROCCUR", kModuleStart);
  const std::string object = error_object(text);
  activation.at(2);
  QOUT(object);
  activation.at(3);
  orderly_exit();
}

}  // namespace kx
