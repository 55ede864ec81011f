#include "platform/file_names.h"

#include "platform/env.h"

namespace kx::platform {

PathKind path_kind_any_case(const std::string& path) {
  Env& e = env();
  const PathKind kind = e.path_kind(path);
  if (kind != PathKind::kMissing) return kind;
  const std::string variant = e.case_variant(path);
  return variant.empty() ? PathKind::kMissing : e.path_kind(variant);
}

std::string existing_file(const std::string& path) {
  Env& e = env();
  switch (e.path_kind(path)) {
    case PathKind::kFile:
      return path;
    case PathKind::kDirectory:
      return "";
    case PathKind::kMissing:
      break;
  }
  const std::string variant = e.case_variant(path);
  return !variant.empty() && e.path_kind(variant) == PathKind::kFile ? variant : "";
}

std::unique_ptr<RandomAccessFile> open_any_case(const std::string& path, const OpenOptions& options,
                                                uint32_t* os_error) {
  Env& e = env();
  std::unique_ptr<RandomAccessFile> file = e.open_random_access(path, options, os_error);
  if (file || *os_error != kErrFileNotFound) return file;
  const std::string variant = e.case_variant(path);
  if (variant.empty()) return nullptr;
  return e.open_random_access(variant, options, os_error);
}

}  // namespace kx::platform
