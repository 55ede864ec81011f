#include "runtime/errors/file_error.h"

#include "platform/env.h"
#include "runtime/process/process_state.h"

namespace kx {
namespace {

using platform::kInvalidHandle;
using platform::NativeHandle;

uint32_t code_of_failure(uint32_t os_error) {
  return os_error != platform::kErrNone ? os_error : platform::kErrGenFailure;
}

NativeHandle recorded(NativeHandle handle, uint32_t* os_error) {
  if (handle == kInvalidHandle) *os_error = code_of_failure(*os_error);
  set_last_file_error(handle == kInvalidHandle ? *os_error : platform::kErrNone);
  return handle;
}

}  // namespace

void set_last_file_error(uint32_t os_code) { process_state().last_file_error = os_code; }

uint32_t last_file_error() { return process_state().last_file_error; }

NativeHandle recorded_open(const std::string& path, platform::OpenMode mode, bool shared,
                           uint32_t* os_error) {
  NativeHandle handle = kInvalidHandle;
  *os_error = platform::env().open_file(path, mode, shared, &handle).os_error;
  return recorded(handle, os_error);
}

NativeHandle recorded_create(const std::string& path, uint32_t* os_error) {
  NativeHandle handle = kInvalidHandle;
  *os_error = platform::env().create_file(path, &handle).os_error;
  return recorded(handle, os_error);
}

int64_t recorded_seek(NativeHandle handle, int64_t offset, int origin) {
  int64_t position = -1;
  const platform::FileResult result = platform::env().seek_file(handle, offset, origin, &position);
  set_last_file_error(position < 0 ? code_of_failure(result.os_error) : platform::kErrNone);
  return position;
}

bool recorded_write(NativeHandle handle, const std::string& bytes) {
  const bool written = platform::env().write_bytes(handle, bytes.data(), bytes.size());
  set_last_file_error(written ? platform::kErrNone : platform::kErrWriteFault);
  return written;
}

void recorded_close(NativeHandle handle) {
  platform::env().close_file(handle);
  set_last_file_error(platform::kErrNone);
}

}  // namespace kx
