#include "tables/dbf/memo_file.h"

#include <algorithm>

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

std::unique_ptr<MemoFile> MemoFile::open_dbase(std::unique_ptr<ByteSource> source, bool dbase4,
                                               Status* status) {
  uint64_t size = 0;
  *status = source->size(&size);
  if (!status->ok()) return nullptr;
  if (size < kMemoHeaderSize) {
    *status = Status::corruption(source->name(), "memo header: file of " + std::to_string(size) +
                                                     " bytes is shorter than its 512-byte header");
    return nullptr;
  }
  uint32_t block_size = kDbtDbase3BlockSize;
  if (dbase4) {
    uint8_t header[kDbtBlockSizeOffset + 2];
    *status = source->read(0, sizeof header, header);
    if (!status->ok()) return nullptr;
    const uint16_t stated = decode_le16(header + kDbtBlockSizeOffset);
    if (stated != 0) block_size = stated;
  }
  if (block_size < kDbtValueHeaderSize) {
    *status =
        Status::corruption(source->name(), "memo header: block size " + std::to_string(block_size));
    return nullptr;
  }
  return std::unique_ptr<MemoFile>(
      new MemoFile(std::move(source), block_size, dbase4 ? Format::kDbase4 : Format::kDbase3));
}

Status MemoFile::locate(uint32_t block, uint64_t* offset, uint64_t* size) {
  *offset = 0;
  if (block == 0) return Status();
  Status s = source_->size(size);
  if (!s.ok()) return s;
  // block * block_size fits in 48 bits, so no overflow is possible.
  const uint64_t at = static_cast<uint64_t>(block) * block_size_;
  if (at >= kMemoHeaderSize) *offset = at;
  return Status();
}

Status MemoFile::read(uint32_t block, std::string* value) {
  value->clear();
  uint64_t offset = 0, size = 0;
  Status s = locate(block, &offset, &size);
  if (!s.ok() || offset == 0) return s;
  if (format_ != Format::kFpt) return read_dbase(offset, size, value);
  if (!range_inside(offset, kMemoBlockHeaderSize, size)) return Status();
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

// dBase III ends a value with two 0x1A bytes; the text is read a block at a
// time until they come or the file ends. A value never starts inside the header.
Status MemoFile::read_dbase(uint64_t offset, uint64_t size, std::string* value) {
  if (offset >= size) return Status();
  Status s;
  if (format_ == Format::kDbase4 && range_inside(offset, kDbtValueHeaderSize, size)) {
    uint8_t head[kDbtValueHeaderSize];
    s = source_->read(offset, sizeof head, head);
    if (!s.ok()) return s;
    if (std::equal(head, head + 4, kDbtValueMarker)) {
      const uint32_t length = decode_le32(head + 4);
      if (length < kDbtValueHeaderSize ||
          !range_inside(offset + kDbtValueHeaderSize, length - kDbtValueHeaderSize, size)) {
        return Status();
      }
      value->assign(length - kDbtValueHeaderSize, '\0');
      return value->empty()
                 ? Status()
                 : source_->read(offset + kDbtValueHeaderSize, value->size(), value->data());
    }
  }
  std::string text;
  for (uint64_t at = offset; at < size;) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(kDbtDbase3BlockSize, size - at));
    const size_t before = text.size();
    text.resize(before + chunk);
    s = source_->read(at, chunk, &text[before]);
    if (!s.ok()) return s;
    at += chunk;
    const size_t end = text.find("\x1A\x1A", before > 0 ? before - 1 : 0);
    if (end != std::string::npos) {
      text.resize(end);
      break;
    }
  }
  if (!text.empty() && text.back() == '\x1A') text.pop_back();
  *value = std::move(text);
  return Status();
}

}  // namespace kx::tables::dbf
