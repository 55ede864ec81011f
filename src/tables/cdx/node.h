// One B-tree node of a compound index, checked and decoded when it is read.
#ifndef KX_TABLES_CDX_NODE_H_
#define KX_TABLES_CDX_NODE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tables/byte_source.h"
#include "tables/status.h"

namespace kx::tables::cdx {

// "0x1A00": how offsets appear in error descriptions.
std::string hex(uint64_t value);

// True when pointer names a whole page inside a file of file_size bytes, past
// the directory header.
bool pointer_ok(uint64_t pointer, uint64_t file_size);

// Checks that pointer names a whole node inside a file of file_size bytes,
// past the directory header and on a page boundary. where ("page 0x1000")
// and what ("child") go into the error description.
Status check_pointer(const std::string& file, std::string_view where, std::string_view what,
                     uint64_t pointer, uint64_t file_size);

// A decoded node. For a leaf, keys are rebuilt in full (fill restored); for an
// interior node they are the stored separators with their child pointers.
struct Node {
  uint64_t offset = 0;
  uint16_t attributes = 0;
  uint32_t left = 0;   // kNoPage when none
  uint32_t right = 0;  // kNoPage when none
  size_t count = 0;
  uint16_t key_length = 0;
  std::string keys;  // count * key_length bytes
  std::vector<uint32_t> recnos;
  std::vector<uint32_t> children;  // interior nodes only
  std::vector<uint8_t> dups;       // leaves only: shared-prefix counts
  std::vector<uint8_t> trails;     // leaves only: trailing fill counts

  bool is_leaf() const;
  bool is_root() const;
  // Requires i < count.
  std::string_view key(size_t i) const {
    return std::string_view(keys).substr(i * key_length, key_length);
  }
};

// Reads the node at offset (already checked with check_pointer) and decodes
// it. Every count, layout field and stored length is checked: on damage
// returns a corruption error naming the page, on a failed read a read error.
// node's buffers are reused, so decoding into the same Node does not allocate
// once it has held a full page.
Status read_node(ByteSource* source, uint64_t offset, uint16_t key_length, char fill, Node* node);

// Decodes an in-memory page (exposed for tests).
Status decode_node(const std::string& file, uint64_t offset, const uint8_t* page,
                   uint16_t key_length, char fill, Node* node);

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_NODE_H_
