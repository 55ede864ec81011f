#include "tables/dbf/memo_file.h"

#include "tables/bytes.h"
#include "tables/dbf/dbf_format.h"

namespace kx::tables::dbf {

std::unique_ptr<MemoFile> MemoFile::open(std::unique_ptr<ByteSource> source, Status* status) {
  uint64_t size = 0;
  *status = source->size(&size);
  if (!status->ok()) return nullptr;
  if (size < kMemoHeaderSize) {
    *status = Status::corruption(source->name(), "memo header: file of " + std::to_string(size) +
                                                     " bytes is shorter than its 512-byte header");
    return nullptr;
  }
  uint8_t header[kMemoBlockSizeOffset + 2];
  *status = source->read(0, sizeof header, header);
  if (!status->ok()) return nullptr;
  const uint16_t block_size = decode_be16(header + kMemoBlockSizeOffset);
  if (block_size == 0) {
    *status = Status::corruption(source->name(), "memo header: block size 0");
    return nullptr;
  }
  return std::unique_ptr<MemoFile>(new MemoFile(std::move(source), block_size));
}

Status MemoFile::read(uint32_t block, std::string* value) {
  value->clear();
  if (block == 0) return Status();
  uint64_t size = 0;
  Status s = source_->size(&size);
  if (!s.ok()) return s;
  // block * block_size fits in 48 bits, so no overflow is possible.
  const uint64_t offset = static_cast<uint64_t>(block) * block_size_;
  if (offset < kMemoHeaderSize || !range_inside(offset, kMemoBlockHeaderSize, size)) {
    return Status();
  }
  uint8_t block_header[kMemoBlockHeaderSize];
  s = source_->read(offset, sizeof block_header, block_header);
  if (!s.ok()) return s;
  const uint32_t length = decode_be32(block_header + 4);
  if (!range_inside(offset + kMemoBlockHeaderSize, length, size)) return Status();
  std::string bytes(length, '\0');
  if (length > 0) {
    s = source_->read(offset + kMemoBlockHeaderSize, length, bytes.data());
    if (!s.ok()) return s;
  }
  *value = std::move(bytes);
  return Status();
}

}  // namespace kx::tables::dbf
