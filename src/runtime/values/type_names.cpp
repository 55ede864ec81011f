#include "runtime/values/type_names.h"

#include "runtime/values/value.h"

namespace kx {
namespace {

struct TypeName {
  uint32_t code;
  const char* name;
};

constexpr TypeName kTypeNames[] = {
    {kTypeNil, "none"},
    {kTypeLong, "integer"},
    {kTypeDate, "date"},
    {kTypeFloat, "float"},
    {kTypeArray, "array"},
    {kTypeObject, "object"},
    {kTypeString, "string"},
    {kTypeLogic, "logic"},
    {kTypeCodeblock, "code block"},
    {kTypeSymbol, "symbol"},
    {kTypeWord, "unsigned 16-bit integer"},
    {kTypeDword, "unsigned 32-bit integer"},
    {kTypePointer, "pointer"},
    {kTypeUsual, "any"},
};

}  // namespace

std::string type_name(uint32_t type_code) {
  for (const TypeName& t : kTypeNames) {
    if (t.code == type_code) return t.name;
  }
  return "type " + std::to_string(type_code);
}

}  // namespace kx
