// The texts that error output shows for generic error codes and for
// operating-system error codes (Windows numbering on every platform).
#ifndef KX_RUNTIME_ERRORS_ERROR_TEXTS_H_
#define KX_RUNTIME_ERRORS_ERROR_TEXTS_H_

#include <cstdint>
#include <string>

namespace kx {

// The text of a generic error code ("Open error"); empty for 0, and
// "Error " + the code for a code we do not know.
std::string generic_error_text(uint32_t gencode);

// The text of an operating-system error code ("Sharing violation"); empty
// for 0, and "Operating-system error " + the code for a code we do not know.
std::string os_error_text(uint32_t oscode);

}  // namespace kx

#endif  // KX_RUNTIME_ERRORS_ERROR_TEXTS_H_
