#include "tables/open_file.h"

#include "platform/env.h"
#include "platform/file_names.h"

namespace kx::tables {

std::unique_ptr<platform::RandomAccessFile> open_file(const std::string& path,
                                                      const platform::OpenOptions& options,
                                                      NameMatch match, Status* status) {
  std::unique_ptr<platform::RandomAccessFile> file;
  const platform::FileResult opened =
      match == NameMatch::kAnyCase ? platform::open_any_case(path, options, &file)
                                   : platform::env().open_random_access(path, options, &file);
  *status = file
                ? Status()
                : Status(kGenOpen, kSubOpen, opened.os_error, path, "open", "cannot open the file");
  return file;
}

}  // namespace kx::tables
