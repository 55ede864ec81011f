// The installed error handler: one process-wide code block that receives the
// error record of every runtime error.
#ifndef KX_RUNTIME_ERRORS_ERROR_SLOT_H_
#define KX_RUNTIME_ERRORS_ERROR_SLOT_H_

#include <functional>

#include "runtime/values/value.h"

namespace kx {

using ErrorBlock = std::function<Value(const Value& error)>;

void install_error_handler(ErrorBlock block);
bool error_handler_installed();

// Evaluates the installed block with the error record and returns its result
// to the raiser (nil when no block is installed).
Value raise_error(const Value& error);

}  // namespace kx

#endif  // KX_RUNTIME_ERRORS_ERROR_SLOT_H_
