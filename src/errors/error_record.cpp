#include "errors/error_record.h"

#include "errors/call_stack.h"
#include "platform/platform.h"
#include "runtime/errors/runtime_error.h"

namespace kx {
namespace {

uint32_t level_of(const Value& start_level) {
  if (!start_level.is_number()) return 0;
  const double v = start_level.to_double();
  return v > 0 && v < 4294967296.0 ? static_cast<uint32_t>(v) : 0;
}

std::string executable_name() {
  const std::string path = platform::executable_path();
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void ERROR::INIT(const Value& start_level) {
  STACK = CALLSTACKTEXT(level_of(start_level));
  SUBSYSTEM = executable_name();
}

Value ERROR::THROW() { return raise_error(Value::object(shared_from_this())); }

ERROR* as_error(const Value& value) {
  if (value.kind() != Kind::kObject) return nullptr;
  return dynamic_cast<ERROR*>(value.as_object().get());
}

}  // namespace kx
