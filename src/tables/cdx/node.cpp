#include "tables/cdx/node.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "tables/bytes.h"
#include "tables/cdx/cdx_format.h"

namespace kx::tables::cdx {
namespace {

Status damaged(const std::string& file, uint64_t offset, const std::string& what) {
  return Status::corruption(file, "page " + hex(offset) + ": " + what);
}

// Keys within a node must not decrease; a node that breaks this is damaged,
// and the check also keeps seeks from landing on garbage.
bool in_order(const Node& node, size_t i) { return i == 0 || node.key(i - 1) <= node.key(i); }

Status decode_interior(const std::string& file, const uint8_t* page, Node* node) {
  const size_t entry_size = node->key_length + kInteriorEntryExtra;
  const size_t room = kInteriorRoom / entry_size;
  if (node->count == 0) return damaged(file, node->offset, "interior node has no entries");
  if (node->count > room) {
    return damaged(
        file, node->offset,
        "key count " + std::to_string(node->count) + " exceeds room for " + std::to_string(room));
  }
  node->keys.resize(node->count * node->key_length);
  node->recnos.resize(node->count);
  node->children.resize(node->count);
  const uint8_t* p = page + kNodeHeaderSize;
  for (size_t i = 0; i < node->count; ++i, p += entry_size) {
    std::memcpy(&node->keys[i * node->key_length], p, node->key_length);
    node->recnos[i] = decode_be32(p + node->key_length);
    node->children[i] = decode_be32(p + node->key_length + 4);
    if (!in_order(*node, i)) {
      return damaged(file, node->offset, "entry " + std::to_string(i) + ": key out of order");
    }
  }
  return Status();
}

struct LeafLayout {
  size_t entry_size = 0;
  unsigned recno_bits = 0, dup_bits = 0, trail_bits = 0;
  uint32_t recno_mask = 0;
  uint8_t dup_mask = 0, trail_mask = 0;
};

Status read_leaf_layout(const std::string& file, uint64_t offset, const uint8_t* page,
                        LeafLayout* layout) {
  layout->entry_size = page[kLeafEntrySize];
  layout->recno_bits = page[kLeafRecnoBits];
  layout->dup_bits = page[kLeafDupBits];
  layout->trail_bits = page[kLeafTrailBits];
  layout->recno_mask = decode_le32(page + kLeafRecnoMask);
  layout->dup_mask = page[kLeafDupMask];
  layout->trail_mask = page[kLeafTrailMask];
  const LeafLayout& l = *layout;
  if (l.entry_size < 1 || l.entry_size > 8) {
    return damaged(file, offset,
                   "entry size " + std::to_string(l.entry_size) + " out of range 1 to 8");
  }
  if (l.recno_bits > 32 || l.dup_bits > 8 || l.trail_bits > 8 ||
      l.recno_bits + l.dup_bits + l.trail_bits > 8 * l.entry_size) {
    return damaged(file, offset,
                   "bit layout " + std::to_string(l.recno_bits) + "/" + std::to_string(l.dup_bits) +
                       "/" + std::to_string(l.trail_bits) + " does not fit " +
                       std::to_string(l.entry_size) + "-byte entries");
  }
  const uint32_t recno_mask = l.recno_bits == 32 ? 0xFFFFFFFFu : (1u << l.recno_bits) - 1;
  if (l.recno_mask != recno_mask || l.dup_mask != (1u << l.dup_bits) - 1 ||
      l.trail_mask != (1u << l.trail_bits) - 1) {
    return damaged(file, offset, "masks do not match the bit layout");
  }
  return Status();
}

Status decode_leaf(const std::string& file, const uint8_t* page, char fill, Node* node) {
  LeafLayout l;
  Status s = read_leaf_layout(file, node->offset, page, &l);
  if (!s.ok()) return s;
  const size_t room = kLeafRoom / l.entry_size;
  if (node->count > room) {
    return damaged(
        file, node->offset,
        "key count " + std::to_string(node->count) + " exceeds room for " + std::to_string(room));
  }
  const size_t kl = node->key_length;
  node->keys.resize(node->count * kl);
  node->recnos.resize(node->count);
  node->dups.resize(node->count);
  node->trails.resize(node->count);
  const size_t entries_end = kLeafEntries + node->count * l.entry_size;
  size_t key_end = kPageSize;  // stored key bytes are packed downwards from the end
  for (size_t i = 0; i < node->count; ++i) {
    const uint64_t v = decode_le(page + kLeafEntries + i * l.entry_size, l.entry_size);
    const size_t dup = (v >> l.recno_bits) & l.dup_mask;
    const size_t trail = (v >> (l.recno_bits + l.dup_bits)) & l.trail_mask;
    auto where = [i] { return "entry " + std::to_string(i) + ": "; };
    if (dup + trail > kl) {
      return damaged(file, node->offset,
                     where() + "duplicate count " + std::to_string(dup) + " and trailing count " +
                         std::to_string(trail) + " exceed key length " + std::to_string(kl));
    }
    if (i == 0 && dup != 0) {
      return damaged(file, node->offset, where() + "first key shares bytes with no previous key");
    }
    const size_t stored = kl - dup - trail;
    if (stored > key_end - entries_end) {
      return damaged(file, node->offset, where() + "key bytes run into the entry array");
    }
    key_end -= stored;
    char* key = &node->keys[i * kl];
    if (dup > 0) std::memmove(key, key - kl, dup);
    std::memcpy(key + dup, page + key_end, stored);
    std::memset(key + dup + stored, fill, trail);
    node->recnos[i] = static_cast<uint32_t>(v & l.recno_mask);
    node->dups[i] = static_cast<uint8_t>(dup);
    node->trails[i] = static_cast<uint8_t>(trail);
    if (!in_order(*node, i)) {
      return damaged(file, node->offset, where() + "key out of order");
    }
  }
  return Status();
}

}  // namespace

std::string hex(uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
  return buffer;
}

bool pointer_ok(uint64_t pointer, uint64_t file_size) {
  return pointer % kPageSize == 0 && pointer >= kHeaderSize &&
         range_inside(pointer, kPageSize, file_size);
}

Status check_pointer(const std::string& file, std::string_view where, std::string_view what,
                     uint64_t pointer, uint64_t file_size) {
  const char* problem = nullptr;
  if (pointer % kPageSize != 0) {
    problem = " is not on a page boundary";
  } else if (pointer < kHeaderSize) {
    problem = " points into the directory header";
  } else if (!range_inside(pointer, kPageSize, file_size)) {
    return Status::corruption(file, std::string(where) + ": " + std::string(what) + " " +
                                        hex(pointer) + " lies outside the file (" + hex(file_size) +
                                        " bytes)");
  }
  if (problem == nullptr) return Status();
  return Status::corruption(
      file, std::string(where) + ": " + std::string(what) + " " + hex(pointer) + problem);
}

bool Node::is_leaf() const { return (attributes & kAttrLeaf) != 0; }
bool Node::is_root() const { return (attributes & kAttrRoot) != 0; }

Status decode_node(const std::string& file, uint64_t offset, const uint8_t* page,
                   uint16_t key_length, char fill, Node* node) {
  node->offset = offset;
  node->key_length = key_length;
  node->attributes = decode_le16(page + kNodeAttributes);
  node->count = decode_le16(page + kNodeCount);
  node->left = decode_le32(page + kNodeLeft);
  node->right = decode_le32(page + kNodeRight);
  node->children.clear();
  node->dups.clear();
  node->trails.clear();
  if ((node->attributes & ~kAttrKnownBits) != 0) {
    return damaged(file, offset,
                   "attributes " + hex(node->attributes) + " are not those of a node");
  }
  return node->is_leaf() ? decode_leaf(file, page, fill, node) : decode_interior(file, page, node);
}

Status read_node(ByteSource* source, uint64_t offset, uint16_t key_length, char fill, Node* node) {
  std::array<uint8_t, kPageSize> page;
  Status s = source->read(offset, page.size(), page.data());
  if (!s.ok()) return s;
  return decode_node(source->name(), offset, page.data(), key_length, fill, node);
}

}  // namespace kx::tables::cdx
