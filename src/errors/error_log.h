// The error log "VOERROR.LOG": the default error handler appends one entry
// per error it handles. Every open, seek, write and close of the log is a
// low-level file operation of the process: it records its outcome as the
// last file error (runtime/errors/file_error.h) that FILEOPEN:ISERROR reports.
#ifndef KX_ERRORS_ERROR_LOG_H_
#define KX_ERRORS_ERROR_LOG_H_

#include <string>

#include "errors/error_record.h"
#include "platform/platform.h"

namespace kx {

inline constexpr const char* kErrorLogName = "VOERROR.LOG";
// The subcode of a processor exception that the runtime caught.
constexpr uint32_t kSubcodeException = 5333;

// The log's path: the error-log folder (runtime/errors/error_settings.h, by default
// the program folder) + kErrorLogName.
std::string error_log_path();

// Opens the log for appending. An existing log gets an empty line (CR LF) at
// its end to part the coming entry from the last one; a missing log is
// created empty; an existing log that cannot be opened is never re-created.
// Returns the handle, or platform::kInvalidHandle when the log can be neither
// opened nor created; when its folder does not exist, the
// runtime's internal error names the default-directory setting ("SetDefaultDir: ")
// or, when that is empty, the default-path setting ("SetDefault: "), and
// clears the setting named. The caller closes the handle.
platform::NativeHandle OPENERRORLOG();

// Writes one entry at the handle's position: banner, version, date and
// time, application, the message as it is, then every field of error as a
// 17-character label and its text. Values are masked (runtime/process/secrets.h).
// Write failures are ignored.
void WRITEERRORLOG(platform::NativeHandle handle, const std::string& message, const ERROR& error);

}  // namespace kx

#endif  // KX_ERRORS_ERROR_LOG_H_
