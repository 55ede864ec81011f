// errno values in Windows numbering, as every OS code the platform reports.
#ifndef KX_PLATFORM_POSIX_ERRNO_CODES_H_
#define KX_PLATFORM_POSIX_ERRNO_CODES_H_

#include <cstdint>

namespace kx::platform {

// The Windows error code for an errno value; kErrGenFailure for one
// without a counterpart.
uint32_t windows_error_from_errno(int error);

}  // namespace kx::platform

#endif  // KX_PLATFORM_POSIX_ERRNO_CODES_H_
