// Folders and whole files for the tools (mkdemo, kv3dump). Paths are in the
// system's narrow encoding, as the program's own file calls take them: the
// ANSI code page on Win32, where command-line arguments arrive in it too,
// and bytes as they are on POSIX. OS codes are in Windows numbering.
#ifndef KX_PLATFORM_FOLDERS_H_
#define KX_PLATFORM_FOLDERS_H_

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace kx::platform {

// path made absolute against the current folder, with "." and ".." taken
// out (GetFullPathNameA; on POSIX lexically); path unchanged on failure.
std::string absolute_path(const std::string& path);

// The current folder; empty when it cannot be read.
std::string current_folder();

// Creates folder and every missing folder above it. Succeeds when folder is
// a folder afterwards; fails with kErrAlreadyExists when a file of that name
// is in the way.
FileResult make_folders(const std::string& folder);

// Copies the file from to the file to, replacing what is there.
FileResult copy_file(const std::string& from, const std::string& to);

}  // namespace kx::platform

#endif  // KX_PLATFORM_FOLDERS_H_
