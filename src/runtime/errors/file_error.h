// The error code of the most recent low-level file operation of the process,
// in Windows numbering (platform/platform.h), 0 when it succeeded; the
// low-level file operations that record it; and the network-error flag.
#ifndef KX_RUNTIME_ERRORS_FILE_ERROR_H_
#define KX_RUNTIME_ERRORS_FILE_ERROR_H_

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace kx {

// Records the outcome of a low-level file operation; every such operation of
// the binary file reader and of the error log calls it, successful ones with
// 0. 0 at start.
void set_last_file_error(uint32_t os_code);
// The code recorded last.
uint32_t last_file_error();

// The platform's file operations, each recording its outcome as above.
// open: platform::open_file; *handle is the handle, or kInvalidHandle with
// the failure's code in the result (kErrGenFailure when it has none).
platform::FileResult recorded_open(const std::string& path, platform::OpenMode mode, bool shared,
                                   platform::NativeHandle* handle);
// create: platform::create_file, with the same outcome as recorded_open.
platform::FileResult recorded_create(const std::string& path, platform::NativeHandle* handle);
// The new position, or -1 (a failure without a code of its own records
// kErrGenFailure).
int64_t recorded_seek(platform::NativeHandle handle, int64_t offset, int origin);
// True when every byte was written. The platform's write reports no code: a
// failed or short write records kErrWriteFault.
bool recorded_write(platform::NativeHandle handle, const std::string& bytes);
// Closing cannot fail as far as the caller can tell: it records 0.
void recorded_close(platform::NativeHandle handle);

// The network-error flag: set when a table operation failed softly because
// another process held the file (a sharing or lock violation), for the
// caller of that operation to read.
void set_network_error(bool on);
bool network_error();

}  // namespace kx

#endif  // KX_RUNTIME_ERRORS_FILE_ERROR_H_
