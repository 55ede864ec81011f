#include "app/numeric_errors.h"

#include "runtime/errors/runtime_error.h"
#include "runtime/text/text.h"

namespace kx {

void raise_unsigned_overflow(const char* function, const std::string& what) {
  RuntimeError error;
  error.subsystem = "BASE";
  error.gencode = kGenNumOverflow;
  error.description = "numeric overflow: " + what;
  error.funcsym = Symbol::intern(function);
  error.argtype = kTypeDword;
  raise_runtime_error(error);
}

bool expect_kind(const Value& value, Kind wanted, uint32_t wanted_type, const char* function,
                 const std::string& field) {
  const bool matches = wanted == Kind::kInteger ? value.is_number() : value.kind() == wanted;
  if (matches) return true;
  RuntimeError error;
  error.subsystem = "BASE";
  error.gencode = kGenDataType;
  error.description = "field " + field + " has the wrong type";
  error.funcsym = Symbol::intern(function);
  error.arg = value_text(value);
  error.argnum = 1;
  error.argtype = value.type_code();
  error.argtypereq = wanted_type;
  raise_runtime_error(error);
  return false;
}

uint32_t to_dword(const Value& number) {
  const double v = number.to_double();
  if (!(v > 0)) return 0;
  if (v >= 4294967295.0) return 4294967295u;
  return static_cast<uint32_t>(v);
}

}  // namespace kx
