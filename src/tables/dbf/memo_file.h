// The memo file that holds a table's memo, general and blob values: FoxPro's
// FPT, or a dBase III or IV DBT.
#ifndef KX_TABLES_DBF_MEMO_FILE_H_
#define KX_TABLES_DBF_MEMO_FILE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file.h"
#include "tables/paged_file.h"
#include "tables/status.h"

namespace kx::tables::dbf {

class MemoFile {
 public:
  // Reads the 512-byte header. On failure returns nullptr and sets *status:
  // corruption when the file is shorter than the header or its block size
  // is 0, a read error when the read fails.
  static std::unique_ptr<MemoFile> open(std::unique_ptr<platform::RandomAccessFile> file,
                                        Status* status);
  // Opens a dBase memo file (DBT): dBase III (512-byte blocks) or, with
  // dbase4, dBase IV (block size from header bytes 20-21, LE; 512 when 0).
  // Fails like open when the file is shorter than 512 bytes or the block
  // size is below 8.
  static std::unique_ptr<MemoFile> open_dbase(std::unique_ptr<platform::RandomAccessFile> file,
                                              bool dbase4, Status* status);

  MemoFile(const MemoFile&) = delete;
  MemoFile& operator=(const MemoFile&) = delete;

  // The bytes of the value stored at block, whatever its block type. Block 0
  // means no value. A block inside the header or past the end of the file,
  // or a length that runs past the end, gives empty text with an ok status;
  // nothing is allocated beyond the file's size. A failed read gives a read
  // error.
  // In a DBT a value is the text from its block up to the first two 0x1A
  // bytes (or the end of the file); a dBase IV value that starts with its
  // marker is instead the length its header states.
  Status read(uint32_t block, std::string* value);

  uint32_t block_size() const { return block_size_; }
  const std::string& name() const { return file_.name(); }

 private:
  enum class Format { kFpt, kDbase3, kDbase4 };

  MemoFile(std::unique_ptr<platform::RandomAccessFile> file, Format format)
      : file_(std::move(file)), format_(format) {}

  // Reads the 512-byte header into header; corruption when the file is
  // shorter.
  Status read_header(uint8_t* header);
  // The file's size, asked anew when [offset, offset + length) passes the
  // size known so far: values are read only inside the file.
  Status size_for(uint64_t offset, uint64_t length, uint64_t* size);

  // The byte offset of block and the file's size; *offset stays 0 when the
  // block can hold no value (block 0, or a block inside the header).
  Status locate(uint32_t block, uint64_t* offset, uint64_t* size);
  Status read_dbase(uint64_t offset, uint64_t size, std::string* value);

  PagedFile file_;
  uint32_t block_size_ = 0;
  const Format format_;
};

}  // namespace kx::tables::dbf

#endif  // KX_TABLES_DBF_MEMO_FILE_H_
