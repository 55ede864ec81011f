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

FileResult result_of(const std::error_code& ec) { return {windows_error_from_errno(ec.value())}; }

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

FileResult make_folders(const std::string& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  const PathKind kind = path_kind(folder);
  if (kind == PathKind::kDirectory) return {};
  // Still missing without a code of the system's: a failure all the same.
  if (kind == PathKind::kMissing) return ec ? result_of(ec) : FileResult{kErrPathNotFound};
  return {kErrAlreadyExists};
}

FileResult copy_file(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  return ec ? result_of(ec) : FileResult{};
}

}  // namespace kx::platform
