// Random-access bytes of a table, memo or index file. The readers in dbf/ and
// cdx/ read only through this interface, so tests and fuzzers can hand them
// memory instead of files.
#ifndef KX_TABLES_BYTE_SOURCE_H_
#define KX_TABLES_BYTE_SOURCE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "tables/status.h"

namespace kx::tables {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // The file name used in error records.
  virtual const std::string& name() const = 0;

  // Current size in bytes. The file may grow while it is read (another
  // application appends), so callers ask again at the start of an operation.
  virtual Status size(uint64_t* size) = 0;

  // Reads exactly size bytes at offset into buffer. A read that ends past the
  // end of the file fails with a read error (generic code 23).
  virtual Status read(uint64_t offset, size_t size, void* buffer) = 0;

  // Number of read calls so far (benchmarks count page reads with it).
  virtual uint64_t read_count() const = 0;
};

// Opens a file shared and read-only (or read-write when asked); on failure
// returns nullptr and sets *status (generic code 21, the OS code, the name).
std::unique_ptr<ByteSource> open_file_source(const std::string& path, bool read_write,
                                             bool exclusive, Status* status);

// A source over bytes held in memory (tests and fuzzers).
std::unique_ptr<ByteSource> memory_source(std::string name, std::string bytes);

}  // namespace kx::tables

#endif  // KX_TABLES_BYTE_SOURCE_H_
