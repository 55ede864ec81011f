// File names in any letter case. Tables are often copied from Windows, whose
// names ignore case, to POSIX systems, where they do not. Each helper asks the
// process's Env for the exact name first and, only where that is missing, for
// a name that differs in letter case (a listing of the folder on POSIX; on
// Win32 never, since names there ignore case already).
#ifndef KX_PLATFORM_FILE_NAMES_H_
#define KX_PLATFORM_FILE_NAMES_H_

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file.h"
#include "platform/platform.h"

namespace kx::platform {

// What lies at path, or at its case variant when path is missing.
PathKind path_kind_any_case(const std::string& path);

// The name under which path is a regular file, in any letter case; empty
// when there is none.
std::string existing_file(const std::string& path);

// Opens path, or its case variant when the exact name does not exist, as
// Env::open_random_access does. On failure *file is null and the result
// carries the exact name's error when no variant exists.
FileResult open_any_case(const std::string& path, const OpenOptions& options,
                         std::unique_ptr<RandomAccessFile>* file);

}  // namespace kx::platform

#endif  // KX_PLATFORM_FILE_NAMES_H_
