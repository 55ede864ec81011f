// An open file that the table readers read at byte offsets, and how it is
// opened. Env::open_random_access hands these out; a test Env may wrap them
// (to count calls or to make a read fail) without knowing any handle.
#ifndef KX_PLATFORM_FILE_H_
#define KX_PLATFORM_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace kx::platform {

// How a table, memo or index file is opened: the caller's wish, passed
// unchanged from the table functions down to the operating system.
struct OpenOptions {
  // Only reading is asked for. Otherwise reading and writing; a file that
  // refuses writing is then opened for reading, since the readers never write.
  bool read_only = true;
  // Others may read, write and delete the file while it is open (Win32
  // FILE_SHARE_READ | WRITE | DELETE); otherwise nobody else may open it.
  // POSIX has no share modes.
  bool shared = true;
};

class RandomAccessFile {
 public:
  RandomAccessFile() = default;
  RandomAccessFile(const RandomAccessFile&) = delete;
  RandomAccessFile& operator=(const RandomAccessFile&) = delete;
  virtual ~RandomAccessFile() = default;

  // The path the file was opened under.
  virtual const std::string& name() const = 0;
  // Reads up to size bytes at offset into buffer, with as few calls as the
  // system allows; *got is the count, less than size only where the file
  // ends. On failure *got may hold what came before it.
  virtual FileResult read_at(uint64_t offset, void* buffer, size_t size, size_t* got) = 0;
  // The file's current size.
  virtual FileResult size(uint64_t* size) = 0;
};

}  // namespace kx::platform

#endif  // KX_PLATFORM_FILE_H_
