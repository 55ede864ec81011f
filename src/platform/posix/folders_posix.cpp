// POSIX folders and whole files for the tools, through std::filesystem,
// which keeps a path's bytes as they are on POSIX.
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/folders.h"
#include "platform/platform.h"
#include "platform/posix/errno_codes.h"

namespace kx::platform {
namespace {

namespace fs = std::filesystem;

bool failed(const std::error_code& ec, uint32_t* os_error) {
  *os_error = windows_error_from_errno(ec.value());
  return false;
}

}  // namespace

std::string absolute_path(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

std::string current_folder() {
  std::error_code ec;
  const fs::path folder = fs::current_path(ec);
  return ec ? std::string() : folder.string();
}

bool make_folders(const std::string& folder, uint32_t* os_error) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  const PathKind kind = path_kind(folder);
  if (kind == PathKind::kDirectory) return true;
  if (kind == PathKind::kMissing) return failed(ec, os_error);
  *os_error = kErrAlreadyExists;
  return false;
}

bool copy_file(const std::string& from, const std::string& to, uint32_t* os_error) {
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  return ec ? failed(ec, os_error) : true;
}

}  // namespace kx::platform
