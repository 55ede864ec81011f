#include "tables/dbf/memo_file.h"

#include <algorithm>

#include "tables/bytes.h"
#include "tables/dbf/dbf_format.h"

namespace kx::tables::dbf {

Status MemoFile::read_header(uint8_t* header) {
  Status s = file_.read(0, kMemoHeaderSize, header);
  if (is_short_read(s)) {
    return Status::corruption(name(), "memo header: file of " + std::to_string(file_.known_size()) +
                                          " bytes is shorter than its 512-byte header");
  }
  return s;
}

std::unique_ptr<MemoFile> MemoFile::open(std::unique_ptr<platform::RandomAccessFile> file,
                                         Status* status) {
  std::unique_ptr<MemoFile> memo(new MemoFile(std::move(file), Format::kFpt));
  uint8_t header[kMemoHeaderSize];
  *status = memo->read_header(header);
  if (!status->ok()) return nullptr;
  memo->block_size_ = decode_be16(header + kMemoBlockSizeOffset);
  if (memo->block_size_ == 0) {
    *status = Status::corruption(memo->name(), "memo header: block size 0");
    return nullptr;
  }
  return memo;
}

std::unique_ptr<MemoFile> MemoFile::open_dbase(std::unique_ptr<platform::RandomAccessFile> file,
                                               bool dbase4, Status* status) {
  std::unique_ptr<MemoFile> memo(
      new MemoFile(std::move(file), dbase4 ? Format::kDbase4 : Format::kDbase3));
  uint8_t header[kMemoHeaderSize];
  *status = memo->read_header(header);
  if (!status->ok()) return nullptr;
  memo->block_size_ = kDbtDbase3BlockSize;
  if (dbase4) {
    const uint16_t stated = decode_le16(header + kDbtBlockSizeOffset);
    if (stated != 0) memo->block_size_ = stated;
  }
  if (memo->block_size_ < kDbtValueHeaderSize) {
    *status = Status::corruption(memo->name(),
                                 "memo header: block size " + std::to_string(memo->block_size_));
    return nullptr;
  }
  return memo;
}

Status MemoFile::size_for(uint64_t offset, uint64_t length, uint64_t* size) {
  *size = file_.known_size();
  if (range_inside(offset, length, *size)) return Status();
  return file_.refresh_size(size);
}

Status MemoFile::locate(uint32_t block, uint64_t* offset, uint64_t* size) {
  *offset = 0;
  *size = file_.known_size();
  if (block == 0) return Status();
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
  s = size_for(offset, kMemoBlockHeaderSize, &size);
  if (!s.ok()) return s;
  if (!range_inside(offset, kMemoBlockHeaderSize, size)) return Status();
  uint8_t block_header[kMemoBlockHeaderSize];
  s = file_.read(offset, sizeof block_header, block_header, PagedFile::Freshness::kKept,
                 block_size_);
  if (!s.ok()) return is_short_read(s) ? Status() : s;
  const uint32_t length = decode_be32(block_header + 4);
  s = size_for(offset + kMemoBlockHeaderSize, length, &size);
  if (!s.ok()) return s;
  if (!range_inside(offset + kMemoBlockHeaderSize, length, size)) return Status();
  std::string bytes(length, '\0');
  if (length > 0) {
    s = file_.read(offset + kMemoBlockHeaderSize, length, bytes.data());
    if (!s.ok()) return is_short_read(s) ? Status() : s;
  }
  *value = std::move(bytes);
  return Status();
}

// dBase III ends a value with two 0x1A bytes; the text is read a block at a
// time until they come or the file ends. A value never starts inside the header.
Status MemoFile::read_dbase(uint64_t offset, uint64_t size, std::string* value) {
  // A value runs to its end marker, so the whole file's size bounds it.
  Status s = file_.size_known_exactly() ? Status() : file_.refresh_size(&size);
  if (!s.ok()) return s;
  if (offset >= size) return Status();
  if (format_ == Format::kDbase4 && range_inside(offset, kDbtValueHeaderSize, size)) {
    uint8_t head[kDbtValueHeaderSize];
    s = file_.read(offset, sizeof head, head);
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
                 : file_.read(offset + kDbtValueHeaderSize, value->size(), value->data());
    }
  }
  std::string text;
  for (uint64_t at = offset; at < size;) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(kDbtDbase3BlockSize, size - at));
    const size_t before = text.size();
    text.resize(before + chunk);
    s = file_.read(at, chunk, &text[before]);
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
