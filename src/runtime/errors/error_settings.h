// Settings of the default error handler. The program never changes them;
// tests do (the log folder above all, so that they never write the real
// program folder).
#ifndef KX_RUNTIME_ERRORS_ERROR_SETTINGS_H_
#define KX_RUNTIME_ERRORS_ERROR_SETTINGS_H_

#include <string>

namespace kx {

struct ErrorSettings {
  bool beep = false;         // three tones before the error dialog
  bool error_log = true;     // append an entry to the error log
  std::string log_folder;    // where the error log lies; empty: the program folder
  std::string default_dir;   // the default-directory setting
  std::string default_path;  // the default-path setting
};

// The settings in force (runtime/process/process_state.h).
ErrorSettings& error_settings();

// The folder of the error log, ending with the platform's separator: the
// log_folder setting (a separator is added when it lacks one), else the
// program folder.
std::string error_log_folder();

}  // namespace kx

#endif  // KX_RUNTIME_ERRORS_ERROR_SETTINGS_H_
