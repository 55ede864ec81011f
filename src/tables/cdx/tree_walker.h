// A position in one B-tree of a compound index, in the tree's stored
// (ascending) order. TagCursor builds the tag's own order on top of it; the
// index file uses it to read the tag directory.
#ifndef KX_TABLES_CDX_TREE_WALKER_H_
#define KX_TABLES_CDX_TREE_WALKER_H_

#include <cstdint>
#include <string_view>

#include "tables/byte_source.h"
#include "tables/cdx/node.h"
#include "tables/status.h"

namespace kx::tables::cdx {

// What a walk needs to know about a tree; the header is re-read and compared
// with it at the start of every positioning operation.
struct TreeShape {
  uint64_t header_offset = 0;
  uint16_t key_length = 0;
  uint8_t signature = 0;
  char fill = ' ';
};

// The header or page that held a pointer (named in errors).
struct Place {
  uint64_t offset = 0;
  bool header = false;
};

class TreeWalker {
 public:
  // source must outlive the walker.
  TreeWalker(ByteSource* source, const TreeShape& shape);
  TreeWalker(const TreeWalker&) = delete;
  TreeWalker& operator=(const TreeWalker&) = delete;

  bool valid() const { return valid_; }
  const Status& status() const { return status_; }

  void seek_first();
  void seek_last();
  // The first entry whose key cut to prefix's length is >= prefix
  // (seek_at_least) or > prefix (seek_after). prefix is at most key_length
  // bytes long.
  void seek_at_least(std::string_view prefix);
  void seek_after(std::string_view prefix);
  // Require valid().
  void next();
  void prev();
  std::string_view key() const { return leaf_.key(pos_); }
  uint32_t recno() const { return leaf_.recnos[pos_]; }
  // The leaf the walker stands on. Requires valid().
  const Node& leaf() const { return leaf_; }

  // Counts every key by a walk along the leaf level (the cursor is left invalid).
  Status count_keys(uint64_t* count);

 private:
  enum class Target { kFirst, kLast, kAtLeast, kAfter };

  bool begin(uint32_t* root);
  void descend(Target target, std::string_view prefix);
  bool load(uint64_t pointer, const Place& from, const char* what, Node* node);
  // Moves to the right (or left) sibling leaf; false at the end of the level
  // or on an error (then status_ is set).
  bool hop(bool right);
  size_t lower_bound(const Node& node, Target target, std::string_view prefix) const;
  void settle_forward(Target target, std::string_view prefix);
  void settle_backward();
  bool fail(Status status);  // records the error; returns false

  ByteSource* const source_;
  const TreeShape shape_;
  uint64_t file_size_ = 0;
  Node leaf_;
  Node scratch_;
  size_t pos_ = 0;
  bool valid_ = false;
  Status status_;
  uint64_t hops_ = 0;  // sibling hops in one direction since the last seek
  int hop_direction_ = 0;
};

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_TREE_WALKER_H_
