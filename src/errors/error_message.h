// The message text of the default error handler: what its dialog shows and
// its log entry repeats.
#ifndef KX_ERRORS_ERROR_MESSAGE_H_
#define KX_ERRORS_ERROR_MESSAGE_H_

#include <string>

#include "errors/error_record.h"

namespace kx {

// The file name is cut to this many characters in the message.
constexpr size_t kMessageFileNameWidth = 40;

// The lines that describe error, each ending with CR LF: the severity and
// code line always, then subsystem, subcode, operation, function, file name,
// argument, its type, its number, the requested type and the description,
// each only when it says something. Values are masked (runtime/process/secrets.h).
std::string ERRORMESSAGE(const ERROR& error);

}  // namespace kx

#endif  // KX_ERRORS_ERROR_MESSAGE_H_
