#include "runtime/values/empty_value.h"

namespace kx {

Value empty_value(uint32_t type_code) {
  switch (type_code) {
    case kTypeLong:
    case kTypeWord:
    case kTypeDword:
      return Value::integer(0);
    case kTypeFloat:
      return Value::floating(0);
    case kTypeDate:
      return Value::date(Date());
    case kTypeArray:
      return Value::array({});
    case kTypeObject:
      return Value::object(nullptr);
    case kTypeString:
      return Value::string("");
    case kTypeLogic:
      return Value::logic(false);
    case kTypeSymbol:
      return Value::symbol(Symbol());
    case kTypePointer:
      return Value::pointer(0);
    default:
      return Value();
  }
}

}  // namespace kx
