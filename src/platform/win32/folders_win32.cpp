// Win32 folders and whole files for the tools, through the ANSI calls that
// the program's own file calls use, so a path given on the command line
// reaches them as the same bytes.
#include <windows.h>

#include <string>

#include "platform/folders.h"
#include "platform/platform.h"

namespace kx::platform {
namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::string absolute_path(const std::string& path) {
  const DWORD size = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::string full(size, '\0');
  const DWORD n = ::GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
  if (n == 0 || n >= size) return path;
  full.resize(n);
  return full;
}

std::string current_folder() {
  const DWORD size = ::GetCurrentDirectoryA(0, nullptr);
  if (size == 0) return "";
  std::string folder(size, '\0');
  const DWORD n = ::GetCurrentDirectoryA(size, folder.data());
  if (n == 0 || n >= size) return "";
  folder.resize(n);
  return folder;
}

// The folders above are made first; the walk ends at one that exists, at
// the latest at the drive or share it lies on.
FileResult make_folders(const std::string& folder) {
  std::string path = folder;
  while (path.size() > 1 && is_separator(path.back())) path.pop_back();
  const PathKind kind = path_kind(path);
  if (kind == PathKind::kDirectory) return {};
  if (kind == PathKind::kFile) return {kErrAlreadyExists};
  const size_t slash = path.find_last_of("\\/");
  if (slash != std::string::npos && slash > 0) {
    const FileResult above = make_folders(path.substr(0, slash));
    if (!above.ok()) return above;
  }
  if (::CreateDirectoryA(path.c_str(), nullptr)) return {};
  const DWORD error = ::GetLastError();
  // Made by someone else since path_kind looked: it is there, as asked.
  if (error == ERROR_ALREADY_EXISTS && path_kind(path) == PathKind::kDirectory) return {};
  return {error};
}

FileResult copy_file(const std::string& from, const std::string& to) {
  if (::CopyFileA(from.c_str(), to.c_str(), FALSE)) return {};
  return {::GetLastError()};
}

}  // namespace kx::platform
