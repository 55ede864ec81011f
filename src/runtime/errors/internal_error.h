// The runtime's internal error: a failure of the runtime's own machinery that
// no error record can describe (the error handler cannot raise an error
// without calling itself again). It is shown to the user, and the caller
// carries on with its failure result.
#ifndef KX_RUNTIME_ERRORS_INTERNAL_ERROR_H_
#define KX_RUNTIME_ERRORS_INTERNAL_ERROR_H_

#include <string>

namespace kx {

inline constexpr const char* kInternalErrorCaption = "Internal error";

// Shows text in a message box captioned kInternalErrorCaption.
void internal_error(const std::string& text);

}  // namespace kx

#endif  // KX_RUNTIME_ERRORS_INTERNAL_ERROR_H_
