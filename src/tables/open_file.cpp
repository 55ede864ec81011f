#include "tables/open_file.h"

#include "platform/env.h"
#include "platform/file_names.h"

namespace kx::tables {

std::unique_ptr<platform::RandomAccessFile> open_file(const std::string& path,
                                                      const platform::OpenOptions& options,
                                                      NameMatch match, Status* status) {
  uint32_t os_error = 0;
  std::unique_ptr<platform::RandomAccessFile> file =
      match == NameMatch::kAnyCase ? platform::open_any_case(path, options, &os_error)
                                   : platform::env().open_random_access(path, options, &os_error);
  *status =
      file ? Status() : Status(kGenOpen, kSubOpen, os_error, path, "open", "cannot open the file");
  return file;
}

}  // namespace kx::tables
