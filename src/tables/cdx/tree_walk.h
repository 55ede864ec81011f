// One walk over a B-tree of a compound index, as its pages are when they are
// read: from the root down to the entry a target names, and along the leaf
// level. TreeWalker (tree_walker.h) runs these walks and decides what to do
// when one fails.
//
// Each page is checked on its own when it is read (node.h) and against the
// step that led to it:
//  - a child against its parent's entry: the child's greatest entry (key and
//    record number) is the entry's, and its siblings are the parent's
//    neighbouring children;
//  - a sibling against the page it was reached from: it points back;
//  - the entry a seek lands on against the entry before it: when that lies in
//    the left sibling, the sibling is read and must hold only smaller keys.
// In a tree that another application is changing, a page can be written
// before the pages that lead to it, or after them, so such a check may fail
// for a while. A strict walk stops at the first disagreement with a
// corruption error. A tolerant walk takes the leaf level as the truth where
// it still gives one answer: keys past a child's separator are looked for in
// its right siblings, keys moved into a left sibling are found there, a child
// that cannot be read is passed by for the neighbour that still holds its
// keys, and a sibling whose back link lags behind a split of the page before
// it is accepted.
#ifndef KX_TABLES_CDX_TREE_WALK_H_
#define KX_TABLES_CDX_TREE_WALK_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tables/cdx/node.h"
#include "tables/cdx/node_memo.h"
#include "tables/paged_file.h"
#include "tables/status.h"

namespace kx::tables::cdx {

// What a walk needs to know about a tree.
struct TreeShape {
  uint64_t header_offset = 0;
  uint16_t key_length = 0;
  uint8_t signature = 0;
  char fill = ' ';
};

// Where a walk goes. kEntry: the entry (prefix, record number) or, when it is
// gone, the first one after it.
enum class Target { kFirst, kLast, kAtLeast, kAfter, kEntry };

struct WalkMode {
  PagedFile::Freshness freshness = PagedFile::Freshness::kKept;
  bool tolerant = false;
};

// Where a pointer was read, as error texts name it: "page 0x1A00" or the
// tag header. Kept as numbers so that a walk builds no text until it fails.
struct Place {
  uint64_t offset = 0;
  bool header = false;
  std::string text() const;
};

class TreeWalk {
 public:
  // file must outlive the walk.
  TreeWalk(PagedFile* file, const TreeShape& shape);
  TreeWalk(const TreeWalk&) = delete;
  TreeWalk& operator=(const TreeWalk&) = delete;

  // From root to the first entry that target names (the last one for
  // kLast): the first whose key cut to prefix's length is >= prefix
  // (kAtLeast), > prefix (kAfter). True when the walk ended soundly, on an
  // entry or past the end of the tree (valid() false); false with status()
  // set otherwise. Sibling hops count from the last seek that did not keep
  // them, so that a chain that runs in a circle ends however often a step
  // finds its entry again.
  bool seek(uint32_t root, Target target, std::string_view prefix, uint32_t entry_recno,
            WalkMode mode, bool keep_hops = false);
  // The next / previous entry; requires valid(). True when it ended soundly
  // (on an entry, or off the end of the tree).
  bool step(bool forward, WalkMode mode);

  // The tag's header moved (the index was written anew).
  void relocate(uint64_t header_offset) { shape_.header_offset = header_offset; }

  bool valid() const { return valid_; }
  const Status& status() const { return status_; }
  std::string_view key() const { return leaf_->key(pos_); }
  uint32_t recno() const { return leaf_->recno(pos_); }
  // The leaf the walk stands on, rebuilt at least through the current entry,
  // and the current entry's place in it.
  const Node& leaf() const { return *leaf_; }
  size_t entry() const { return pos_; }
  void invalidate() { valid_ = false; }

 private:
  // An entry's place in the tree's order.
  struct Bound {
    bool known = false;
    std::string key;
    uint32_t recno = 0;
  };
  // What the parent's entry promises about the child it points to.
  struct Promise {
    Bound low;                 // every entry of the child is after it
    Bound high;                // the child's greatest entry
    uint32_t left = kNoPage;   // the parent's previous child, kNoPage when unknown
    uint32_t right = kNoPage;  // the parent's next child, kNoPage when unknown
  };

  bool fail(Status status);
  bool disagree(const std::string& what);
  bool load(uint64_t pointer, Place from, const char* what, Node* node);
  bool decode_through(Node* node, size_t i);
  bool position(Node* node, Target target, std::string_view prefix, size_t* pos);
  bool qualifies(std::string_view key, uint32_t recno, Target target,
                 std::string_view prefix) const;
  bool descend_into(Node* parent, size_t i, const uint64_t* path, size_t depth, Bound* low);
  bool being_written(uint64_t pointer) const;
  bool check_child(const Promise& promise);
  bool within(const Promise& promise);
  void note_leaf_promise(const Promise& promise);
  bool load_neighbour_child(Node* parent, size_t i, const Bound& low);
  bool move_right_interior(Target target, std::string_view prefix, size_t* pos);
  bool settle(Target target, std::string_view prefix);
  bool settle_forward(Target target, std::string_view prefix);
  bool continues_promise(uint64_t reached);
  bool settle_backward();
  bool check_left_of_first(Target target, std::string_view prefix, bool* moved);
  bool load_left_sibling();
  bool hop(bool right, Node* to);
  bool back_link_ok(bool right, const Node& to);
  bool boundary_in_order(bool right, bool* ordered);
  bool count_hop();

  PagedFile* const file_;
  TreeShape shape_;
  WalkMode mode_;
  NodeMemo memo_;
  Node nodes_[3];
  Node* parent_ = &nodes_[0];  // the interior node a descent stands on
  Node* leaf_ = &nodes_[1];    // the node in hand (the current leaf once settled)
  Node* other_ = &nodes_[2];   // a sibling being read
  size_t pos_ = 0;
  uint32_t entry_recno_ = 0;  // the record number that Target::kEntry seeks
  // How the leaf a descent reached compares with its parent's separator:
  // 0 equal (or no parent), < 0 it ends before it (keys moved out to the
  // right, or not written yet), > 0 it ends past it (keys came in from the
  // right, so some may also have gone out to the left).
  int leaf_ends_ = 0;
  Bound leaf_high_;
  bool valid_ = false;
  Status status_;
  uint64_t hops_ = 0;  // sibling hops since the walk began
};

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_TREE_WALK_H_
