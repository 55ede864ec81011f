#include "runtime/errors/file_error.h"

#include "platform/env.h"
#include "runtime/process/process_state.h"

namespace kx {
namespace {

using platform::kInvalidHandle;
using platform::NativeHandle;

struct LastFileError {
  uint32_t code = 0;
};

struct NetworkErrorFlag {
  bool on = false;
};

uint32_t code_of_failure(uint32_t os_error) {
  return os_error != platform::kErrNone ? os_error : platform::kErrGenFailure;
}

// A handle that did not open is a failure even where the platform gave no
// code for it.
platform::FileResult recorded(platform::FileResult result, NativeHandle handle) {
  const uint32_t code =
      handle == kInvalidHandle ? code_of_failure(result.os_error) : platform::kErrNone;
  set_last_file_error(code);
  return {code};
}

}  // namespace

void set_last_file_error(uint32_t os_code) { process_state().slot<LastFileError>().code = os_code; }

uint32_t last_file_error() { return process_state().slot<LastFileError>().code; }

platform::FileResult recorded_open(const std::string& path, platform::OpenMode mode, bool shared,
                                   NativeHandle* handle) {
  *handle = kInvalidHandle;
  const platform::FileResult opened = platform::env().open_file(path, mode, shared, handle);
  return recorded(opened, *handle);
}

platform::FileResult recorded_create(const std::string& path, NativeHandle* handle) {
  *handle = kInvalidHandle;
  const platform::FileResult created = platform::env().create_file(path, handle);
  return recorded(created, *handle);
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

void set_network_error(bool on) { process_state().slot<NetworkErrorFlag>().on = on; }
bool network_error() { return process_state().slot<NetworkErrorFlag>().on; }

}  // namespace kx
