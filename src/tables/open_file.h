// Opening the files of a table (table, memo and index files) for the readers.
#ifndef KX_TABLES_OPEN_FILE_H_
#define KX_TABLES_OPEN_FILE_H_

#include <memory>
#include <string>

#include "platform/file.h"
#include "tables/status.h"

namespace kx::tables {

// How a name is looked up: exactly, or also (on POSIX) in another letter case
// when the exact name does not exist (platform/file_names.h).
enum class NameMatch { kExact, kAnyCase };

// Opens path as options say. On failure returns nullptr and sets *status:
// an open error (generic code 21) with the OS code and the path.
std::unique_ptr<platform::RandomAccessFile> open_file(const std::string& path,
                                                      const platform::OpenOptions& options,
                                                      NameMatch match, Status* status);

}  // namespace kx::tables

#endif  // KX_TABLES_OPEN_FILE_H_
