#include "runtime/errors/error_settings.h"

#include "platform/platform.h"
#include "runtime/process/process_state.h"

namespace kx {

ErrorSettings& error_settings() { return process_state().slot<ErrorSettings>(); }

std::string error_log_folder() {
  std::string folder = error_settings().log_folder;
  if (folder.empty()) return platform::program_folder();
  const char last = folder.back();
  if (last != '/' && last != '\\') folder.push_back(platform::path_separator());
  return folder;
}

}  // namespace kx
