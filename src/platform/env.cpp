#include "platform/env.h"

namespace kx::platform {
namespace {

Env*& installed() {
  static Env* env = nullptr;
  return env;
}

}  // namespace

Env& env() {
  Env* const e = installed();
  return e != nullptr ? *e : system_env();
}

Env* set_env(Env* env) {
  Env* const previous = installed();
  installed() = env;
  return previous;
}

void ScopedHandle::reset(NativeHandle handle) {
  if (handle_ != kInvalidHandle) env().close_file(handle_);
  handle_ = handle;
}

}  // namespace kx::platform
