#include "tables/cdx/tag_header.h"

#include <array>
#include <cstring>

#include "tables/bytes.h"
#include "tables/cdx/cdx_format.h"
#include "tables/cdx/node.h"

namespace kx::tables::cdx {
namespace {

// Text up to the first NUL of a NUL-padded field.
std::string until_nul(const uint8_t* p, size_t size) {
  const void* nul = std::memchr(p, 0, size);
  const size_t length = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - p) : size;
  return std::string(reinterpret_cast<const char*>(p), length);
}

Status read_expression(const std::string& file, const TagHeader& header, const uint8_t* bytes,
                       size_t offset_field, size_t length_field, const char* what,
                       std::string* text) {
  const uint16_t offset = decode_le16(bytes + offset_field);
  const uint16_t length = decode_le16(bytes + length_field);
  if (!range_inside(offset, length, kPageSize)) {
    return Status::corruption(file, header_place(header.offset) + ": " + what + " (offset " +
                                        std::to_string(offset) + ", length " +
                                        std::to_string(length) + ") runs past its page");
  }
  *text = until_nul(bytes + kExpressionPage + offset, length);
  return Status();
}

}  // namespace

std::string header_place(uint64_t offset) {
  return offset == 0 ? std::string("directory header") : "tag header " + hex(offset);
}

namespace {

constexpr size_t kRootFieldsSize = 16;

// The checks on the first 16 bytes that every reader of a header makes.
Status check_fixed_fields(const std::string& file, uint64_t offset, uint16_t key_length,
                          uint8_t options) {
  if (key_length < 1 || key_length > kMaxKeyLength) {
    return Status::corruption(file, header_place(offset) + ": key length " +
                                        std::to_string(key_length) + " out of range 1 to " +
                                        std::to_string(kMaxKeyLength));
  }
  const uint8_t required = kOptionCompact | kOptionCompound;
  if ((options & required) != required) {
    return Status::corruption(file, header_place(offset) + ": options " + hex(options) +
                                        " lack the compact and compound bits");
  }
  return Status();
}

Status check_position(const std::string& file, uint64_t offset) {
  if (offset % kPageSize != 0) {
    return Status::corruption(file, header_place(offset) + " is not on a page boundary");
  }
  return Status();
}

// Reads size bytes of the header at offset; a file that ends inside them is
// corruption.
Status read_header_bytes(PagedFile* file, uint64_t offset, size_t size,
                         PagedFile::Freshness freshness, uint8_t* bytes) {
  Status s = check_position(file->name(), offset);
  if (!s.ok()) return s;
  s = file->read(offset, size, bytes, freshness, kHeaderSize + kPageSize - size);
  if (is_short_read(s)) {
    return Status::corruption(file->name(), header_place(offset) + " lies outside the file (" +
                                                hex(file->known_size()) + " bytes)");
  }
  return s;
}

}  // namespace

Status parse_tag_header(const std::string& file, uint64_t offset, const uint8_t* bytes, size_t size,
                        TagHeader* header) {
  header->offset = offset;
  header->root = decode_le32(bytes + kHeaderRoot);
  header->key_length = decode_le16(bytes + kHeaderKeyLength);
  header->options = bytes[kHeaderOptions];
  header->signature = bytes[kHeaderSignature];
  header->descending = decode_le16(bytes + kHeaderDescending) != 0;
  header->collation = until_nul(bytes + kHeaderCollation, kCollationSize);
  Status s = check_fixed_fields(file, offset, header->key_length, header->options);
  if (!s.ok()) return s;
  header->key_expression.clear();
  header->for_expression.clear();
  if (size < kHeaderSize) return Status();
  s = read_expression(file, *header, bytes, kHeaderKeyOffset, kHeaderKeyExprLength,
                      "key expression", &header->key_expression);
  if (!s.ok()) return s;
  return read_expression(file, *header, bytes, kHeaderForOffset, kHeaderForLength, "FOR expression",
                         &header->for_expression);
}

Status read_tag_header(PagedFile* file, uint64_t offset, bool with_expressions,
                       PagedFile::Freshness freshness, TagHeader* header) {
  const size_t size = with_expressions ? kHeaderSize : kPageSize;
  std::array<uint8_t, kHeaderSize> bytes;
  Status s = read_header_bytes(file, offset, size, freshness, bytes.data());
  if (!s.ok()) return s;
  return parse_tag_header(file->name(), offset, bytes.data(), size, header);
}

Status read_tag_root(PagedFile* file, uint64_t offset, PagedFile::Freshness freshness,
                     TagRoot* root) {
  uint8_t bytes[kRootFieldsSize];
  Status s = read_header_bytes(file, offset, sizeof bytes, freshness, bytes);
  if (!s.ok()) return s;
  root->root = decode_le32(bytes + kHeaderRoot);
  root->counter = decode_be32(bytes + kHeaderCounter);
  root->key_length = decode_le16(bytes + kHeaderKeyLength);
  root->signature = bytes[kHeaderSignature];
  return check_fixed_fields(file->name(), offset, root->key_length, bytes[kHeaderOptions]);
}

}  // namespace kx::tables::cdx
