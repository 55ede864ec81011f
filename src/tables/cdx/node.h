// One B-tree node of a compound index, checked when it is read.
#ifndef KX_TABLES_CDX_NODE_H_
#define KX_TABLES_CDX_NODE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tables/cdx/cdx_format.h"
#include "tables/paged_file.h"
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

class NodeMemo;

// A node: the page as read, its header, and the keys rebuilt so far.
//
// Reading a node checks its header, its count and (for a leaf) its entry
// layout; an interior node's entries are checked whole, since they are read
// in place. A leaf's keys are front-compressed, so key i is rebuilt from key
// i - 1: they are rebuilt and checked in order, on demand (decode_through,
// find), and each entry's counts, stored length and order are checked when it
// is reached. A seek that lands early in a leaf pays only for what it passed.
class Node {
 public:
  // What the node's header says, as checked when it was read.
  uint64_t offset() const { return offset_; }
  uint16_t attributes() const { return attributes_; }
  uint32_t left() const { return left_; }    // kNoPage when none
  uint32_t right() const { return right_; }  // kNoPage when none
  size_t count() const { return count_; }
  uint16_t key_length() const { return key_length_; }
  char fill() const { return fill_; }
  // The version (PagedFile::version_of) of the page bytes the node was read
  // from; 0 when unknown.
  uint64_t source_version() const { return source_version_; }
  bool is_leaf() const { return (attributes_ & kAttrLeaf) != 0; }
  bool is_root() const { return (attributes_ & kAttrRoot) != 0; }
  // Whether the page as read holds only zero bytes (one not written yet).
  bool all_zero() const;

  // Entries whose keys can be read: all of an interior node's, the first
  // decoded() of a leaf's.
  size_t decoded() const { return decoded_; }
  // Entry i's full key (key_length bytes, fill restored) and record number.
  // Require i < decoded(); the view lasts until the node is read again.
  std::string_view key(size_t i) const;
  uint32_t recno(size_t i) const;
  // Interior nodes only; requires i < count.
  uint32_t child(size_t i) const;
  // Leaves only; require i < decoded(): the shared-prefix and trailing fill
  // counts that entry i was stored with.
  uint8_t dup(size_t i) const;
  uint8_t trail(size_t i) const;

  // Rebuilds the leaf's keys up to entry i (i < count). On damage returns a
  // corruption error naming the page and entry; the entries before it stay
  // readable. file names the index in errors.
  Status decode_through(const std::string& file, size_t i);
  Status decode_all(const std::string& file);
  // The first entry whose key, cut to prefix's length, is >= prefix (> prefix
  // when after): *pos, or count when there is none. A leaf is rebuilt only as
  // far as that entry; an interior node is searched by bisection.
  Status find(const std::string& file, std::string_view prefix, bool after, size_t* pos);

  // Whether other was read from the same page bytes (offset, key length and
  // fill included), so that it holds what checking this node would find.
  bool same_source(const Node& other) const;

  // Makes this node a copy of other, copying only the keys rebuilt so far
  // (cheaper than assignment, which copies every buffer whole).
  void assign(const Node& other);

 private:
  friend Status read_node_header(PagedFile* file, uint64_t offset, uint16_t key_length, char fill,
                                 Node* node, PagedFile::Freshness freshness, size_t ahead,
                                 NodeMemo* memo);
  friend class NodeMemo;
  friend Status decode_node(const std::string& file, uint64_t offset, const uint8_t* page,
                            uint16_t key_length, char fill, Node* node);

  // How a leaf packs its entries (from the leaf's own header).
  struct LeafLayout {
    size_t entry_size = 0;
    unsigned recno_bits = 0, dup_bits = 0, trail_bits = 0;
    uint32_t recno_mask = 0;
    uint8_t dup_mask = 0, trail_mask = 0;
  };

  // What rebuilding an entry found wrong with it.
  enum class Problem { kNone, kCounts, kFirstShares, kIntoEntries, kOrder, kFreeBytes };

  struct Rebuild;  // the rebuilding state of a leaf, held in locals (node.cpp)
  Status problem_status(const std::string& file, Problem problem) const;
  Status check(const std::string& file);
  Status check_leaf(const std::string& file);
  Status check_interior(const std::string& file);
  Status damaged(const std::string& file, const std::string& what) const;
  uint64_t entry(size_t i) const;
  const uint8_t* interior_entry(size_t i) const;
  size_t find_in_interior(std::string_view prefix, bool after) const;
  size_t find_in_decoded(std::string_view prefix, bool after) const;
  Status scan_leaf(const std::string& file, std::string_view prefix, bool after, size_t start,
                   size_t match, size_t* pos);

  // Room past the page and past the last key for word copies that overrun.
  static constexpr size_t kSlack = 32;
  uint64_t offset_ = 0;
  uint64_t source_version_ = 0;
  uint16_t attributes_ = 0;
  uint32_t left_ = 0;
  uint32_t right_ = 0;
  size_t count_ = 0;
  uint16_t key_length_ = 0;
  std::array<uint8_t, kPageSize + kSlack> page_{};
  char fill_ = ' ';
  LeafLayout layout_;
  size_t decoded_ = 0;
  size_t key_end_ = kPageSize;  // where the stored bytes of entry decoded_ end
  size_t entries_end_ = 0;      // where a leaf's entry array ends
  size_t free_bytes_ = 0;       // the gap between entries and keys, as the leaf states it
  uint64_t fill_word_ = 0;      // eight fill bytes
  // Rebuilt leaf keys, key_length bytes each; only ever grows.
  std::string keys_;
  std::array<uint8_t, kLeafRoom> dups_{};  // shared-prefix counts of the rebuilt keys
};

// Reads the node at offset (already checked with check_pointer) and checks
// its header, count and layout; a leaf's entries are left to be rebuilt on
// demand. freshness and ahead are those of PagedFile::read. When memo holds
// a node made from the same bytes, that node is taken instead of checking;
// an interior node checked here is kept in it (a leaf is worth keeping once
// its keys are rebuilt). On damage returns
// a corruption error naming the page, on a failed read a read error. node's
// buffers are reused, so reading into the same Node does not allocate once it
// has held a full leaf.
Status read_node_header(PagedFile* file, uint64_t offset, uint16_t key_length, char fill,
                        Node* node, PagedFile::Freshness freshness = PagedFile::Freshness::kKept,
                        size_t ahead = 0, NodeMemo* memo = nullptr);

// As read_node_header, then rebuilds and checks every entry of a leaf.
Status read_node(PagedFile* file, uint64_t offset, uint16_t key_length, char fill, Node* node);

// Checks and fully decodes an in-memory page (exposed for tests).
Status decode_node(const std::string& file, uint64_t offset, const uint8_t* page,
                   uint16_t key_length, char fill, Node* node);

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_NODE_H_
