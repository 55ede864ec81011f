// The error code of the most recent low-level file operation of the process,
// in Windows numbering (platform/platform.h), 0 when it succeeded.
#ifndef KX_RUNTIME_FILE_ERROR_H_
#define KX_RUNTIME_FILE_ERROR_H_

#include <cstdint>

namespace kx {

// Records the outcome of a low-level file operation; every such operation of
// the binary file reader calls it, successful ones with 0. 0 at start.
void set_last_file_error(uint32_t os_code);
// The code recorded last.
uint32_t last_file_error();

}  // namespace kx

#endif  // KX_RUNTIME_FILE_ERROR_H_
