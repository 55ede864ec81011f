// The memo file (FPT) that holds a table's memo, general and blob values.
#ifndef KX_TABLES_DBF_MEMO_FILE_H_
#define KX_TABLES_DBF_MEMO_FILE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "tables/byte_source.h"
#include "tables/status.h"

namespace kx::tables::dbf {

class MemoFile {
 public:
  // Reads the 512-byte header. On failure returns nullptr and sets *status:
  // corruption when the file is shorter than the header or its block size
  // is 0, a read error when the read fails.
  static std::unique_ptr<MemoFile> open(std::unique_ptr<ByteSource> source, Status* status);

  MemoFile(const MemoFile&) = delete;
  MemoFile& operator=(const MemoFile&) = delete;

  // The bytes of the value stored at block, whatever its block type. Block 0
  // means no value. A block inside the header or past the end of the file,
  // or a length that runs past the end, gives empty text with an ok status;
  // nothing is allocated beyond the file's size. A failed read gives a read
  // error.
  Status read(uint32_t block, std::string* value);

  uint32_t block_size() const { return block_size_; }
  const std::string& name() const { return source_->name(); }

 private:
  MemoFile(std::unique_ptr<ByteSource> source, uint32_t block_size)
      : source_(std::move(source)), block_size_(block_size) {}

  const std::unique_ptr<ByteSource> source_;
  const uint32_t block_size_;
};

}  // namespace kx::tables::dbf

#endif  // KX_TABLES_DBF_MEMO_FILE_H_
