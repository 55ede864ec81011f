#include "runtime/values/value.h"

#include <limits>

namespace kx {

Value Value::number(int64_t v) {
  if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max()) {
    return integer(static_cast<int32_t>(v));
  }
  return floating(static_cast<double>(v), std::to_string(v));
}

double Value::to_double() const {
  switch (kind()) {
    case Kind::kInteger:
      return as_integer();
    case Kind::kFloat:
      return as_float().value;
    default:
      return 0;
  }
}

uint32_t Value::type_code() const {
  switch (kind()) {
    case Kind::kNil:
      return kTypeNil;
    case Kind::kInteger:
      return kTypeLong;
    case Kind::kFloat:
      return kTypeFloat;
    case Kind::kLogic:
      return kTypeLogic;
    case Kind::kDate:
      return kTypeDate;
    case Kind::kString:
      return kTypeString;
    case Kind::kArray:
      return kTypeArray;
    case Kind::kObject:
      return kTypeObject;
    case Kind::kSymbol:
      return kTypeSymbol;
    case Kind::kPointer:
      return kTypePointer;
  }
  return kTypeNil;
}

}  // namespace kx
