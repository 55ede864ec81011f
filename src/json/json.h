// The JSON writer: one object as console lines, written as it goes.
#ifndef KX_JSON_JSON_H_
#define KX_JSON_JSON_H_

#include <memory>
#include <string>

#include "runtime/values/value.h"

namespace kx {

class JSON : public Object {
 public:
  JSON() { INIT(); }
  std::string class_name() const override { return "JSON"; }

  void INIT();
  // Writes the line "{".
  void OUTPUTSTART();
  // Writes one member, preceded by a comma line after the first.
  void OUTPUT(const std::string& name, const Value& value);
  // Writes the line "}".
  void OUTPUTEND();

  // Arrays of element objects, two levels deep. A work area's record goes
  // into an element through table_functions/json_export.h.
  void OUTPUTARRAYSTART(const std::string& name);
  void OUTPUTARRAYJSONSTART();
  void OUTPUTARRAYJSONOUTPUT(const std::string& name, const Value& value);
  void OUTPUTARRAYJSONEND();
  void OUTPUTARRAYEND();
  void OUTPUTARRAY2START(const std::string& name);
  void OUTPUTARRAY2JSONSTART();
  void OUTPUTARRAY2JSONOUTPUT(const std::string& name, const Value& value);
  void OUTPUTARRAY2JSONEND();
  void OUTPUTARRAY2END();

  // The open element writer (OJSON2 or OJSON3) as writer holds it; nullptr
  // after raising the runtime error that a member without an open element
  // is, with method as the error's function.
  JSON* element(const std::unique_ptr<JSON>& writer, const char* method);

  // Element writers of the current first- and second-level arrays.
  std::unique_ptr<JSON> OJSON2;
  std::unique_ptr<JSON> OJSON3;
  bool LJSONSTART = false;
  bool LJSONARRAYSTART = false;
  bool LJSONARRAY2START = false;

 private:
  void write_member_separator();
};

// The text of a member value (what follows the colon), by the value's kind.
// A kind without a text form raises a runtime type error first.
std::string json_member_value(const Value& value);

}  // namespace kx

#endif  // KX_JSON_JSON_H_
