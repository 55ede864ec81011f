// A position in one B-tree of a compound index, in the tree's stored
// (ascending) order. TagCursor builds the tag's own order on top of it; the
// index file uses it to read the tag directory.
#ifndef KX_TABLES_CDX_TREE_WALKER_H_
#define KX_TABLES_CDX_TREE_WALKER_H_

#include <cstdint>
#include <string_view>

#include "tables/byte_source.h"
#include "tables/cdx/node.h"
#include "tables/cdx/node_cache.h"
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

// Another application may change the tree while it is walked: it appends
// pages, rewrites nodes one write at a time and raises the header's change
// counter when it is done. A walk that meets something wrong (a sibling that
// does not point back, a pointer past the end, ...) while the header shows
// another counter or root than when the walk began is walked again from the
// new root, at most kMaxWalks times; after that it fails with a read error
// (generic code 23). A step from one leaf to the next that fails that way
// finds its entry again from the root (at most kMaxWalks times) and steps
// from there. Damage in a tree that does not change is reported at once.
constexpr size_t kMaxWalks = 8;

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
  std::string_view key() const { return leaf_->key(pos_); }
  uint32_t recno() const { return leaf_->recno(pos_); }
  // The leaf the walker stands on, rebuilt at least through the current
  // entry. Requires valid().
  const Node& leaf() const { return *leaf_; }

  // Counts every key by a walk along the leaf level (the cursor is left invalid).
  Status count_keys(uint64_t* count);

  // Drops the nodes kept from earlier operations (the table changed).
  void forget_nodes() { cache_.clear(); }

 private:
  // kEntry: the entry (prefix, entry_recno_) or the first one after it.
  enum class Target { kFirst, kLast, kAtLeast, kAfter, kEntry };

  bool begin(uint32_t* root);
  // Walks from the root to target, again while the tag changes under it.
  void descend(Target target, std::string_view prefix);
  void walk_once(Target target, std::string_view prefix);
  // True when the header shows another counter or root than at begin().
  bool tag_changed();
  bool kept_changing();  // records the read error of a walk that gave up
  // Past the end of an interior node, on to its right siblings.
  bool move_right(Target target, std::string_view prefix, size_t* pos);
  // next() / prev() from the leaf's last / first entry.
  void cross(bool right);
  // Reads the node at pointer into node; a descent (depth levels below the
  // root) may take it from the cache, a step along the leaf level always
  // reads it.
  bool load(uint64_t pointer, const Place& from, const char* what, Node* node);
  bool load_for_descent(uint64_t pointer, const Place& from, const char* what, size_t depth,
                        Node* node);
  // Asks the file's size again; false on failure (status_ set).
  bool refresh_size();
  // True when hops_ exceeds the pages of the file, its size asked again.
  bool too_many_hops();
  // Rebuilds node's leaf keys through entry i; false on damage (status_ set).
  bool decode_through(Node* node, size_t i);
  // Moves to the right (or left) sibling leaf; false at the end of the level
  // or on an error (then status_ is set).
  bool hop(bool right);
  // Where target lands in node: *pos, node.count when past its end.
  bool position(Node* node, Target target, std::string_view prefix, size_t* pos);
  void settle_forward(Target target, std::string_view prefix);
  void settle_backward();
  bool fail(Status status);  // records the error; returns false

  ByteSource* const source_;
  const TreeShape shape_;
  uint64_t file_size_ = 0;  // as last asked; 0 before the first operation
  Node nodes_[2];
  Node* leaf_ = &nodes_[0];     // the node in hand (the current leaf once settled)
  Node* scratch_ = &nodes_[1];  // the sibling being read by hop()
  size_t pos_ = 0;
  bool valid_ = false;
  Status status_;
  uint64_t hops_ = 0;  // sibling hops in one direction since the last seek
  int hop_direction_ = 0;
  bool began_ = false;    // the header was read by the last begin()
  uint32_t counter_ = 0;  // its change counter and root then
  uint32_t root_ = 0;
  uint32_t entry_recno_ = 0;  // the record number that Target::kEntry seeks
  NodeCache cache_;
  bool cache_stamped_ = false;  // the cache holds nodes of the tag as of this counter and root
  uint32_t cache_counter_ = 0;
  uint32_t cache_root_ = 0;
  bool served_from_cache_ = false;  // by the walk under way
};

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_TREE_WALKER_H_
