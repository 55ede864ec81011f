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

FileResult open_any_case(const std::string& path, const OpenOptions& options,
                         std::unique_ptr<RandomAccessFile>* file) {
  Env& e = env();
  const FileResult exact = e.open_random_access(path, options, file);
  if (*file || exact.os_error != kErrFileNotFound) return exact;
  const std::string variant = e.case_variant(path);
  if (variant.empty()) return exact;
  return e.open_random_access(variant, options, file);
}

}  // namespace kx::platform
