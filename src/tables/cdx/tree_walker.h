// A position in one B-tree of a compound index, in the tree's stored
// (ascending) order, that stays right while another application changes the
// tree. TagCursor builds the tag's own order on top of it; the index file
// uses it to read the tag directory.
//
// Every operation is a walk (tree_walk.h) over the pages kept from earlier
// operations, and the root that the tag header named when it was last read.
// A walk whose pages disagree is made again as rereading.h says: from the
// file (the tag header included), then taking the leaf level as the truth,
// then after short waits while the file keeps changing. A step from one leaf
// to the next that disagrees finds its entry again from the root and steps
// from where it lies now. Damage that stays as it is is reported as found.
#ifndef KX_TABLES_CDX_TREE_WALKER_H_
#define KX_TABLES_CDX_TREE_WALKER_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "tables/cdx/node.h"
#include "tables/cdx/tree_walk.h"
#include "tables/paged_file.h"
#include "tables/rereading.h"
#include "tables/status.h"

namespace kx::tables::cdx {

// What tells a tag's header from another, and how to find it again after the
// index was written anew (its header may lie elsewhere then).
struct TagHome {
  std::string key_expression;
  std::string for_expression;
  // One reading of the tag directory as the attempt says: the header's offset.
  std::function<Status(const ReadAttempt& attempt, uint64_t* header_offset)> locate;
};

class TreeWalker {
 public:
  // file must outlive the walker. With a home, a tag header read again from
  // the file must also have the tag's expressions; one that is not the tag's
  // any more is looked for again.
  TreeWalker(PagedFile* file, const TreeShape& shape, TagHome home = {});
  TreeWalker(const TreeWalker&) = delete;
  TreeWalker& operator=(const TreeWalker&) = delete;

  bool valid() const { return status_.ok() && walk_.valid(); }
  // OK, or the first error met; an error sticks.
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
  std::string_view key() const { return walk_.key(); }
  uint32_t recno() const { return walk_.recno(); }
  // The leaf the walker stands on, rebuilt at least through the current
  // entry, and the current entry's place in it. Require valid().
  const Node& leaf() const { return walk_.leaf(); }
  size_t entry() const { return walk_.entry(); }

  // Counts every key by a walk along the leaf level (the walker is left
  // invalid).
  Status count_keys(uint64_t* count);

 private:
  void seek(Target target, std::string_view prefix, uint32_t recno = 0);
  Status walk_to(Target target, std::string_view prefix, uint32_t recno, const ReadAttempt& a,
                 bool keep_hops = false);
  Status read_root(const ReadAttempt& a, uint32_t* root);
  Status step_again(bool forward, const std::string& key, uint32_t recno, const ReadAttempt& a);
  void step(bool forward);
  void settle(const Status& s);

  PagedFile* const file_;
  TreeShape shape_;
  const TagHome home_;
  TreeWalk walk_;
  Status status_;
  // Steps since the last seek that found their entry again from the root. An
  // index whose entries are out of order can send such a step back to an
  // entry already passed; bounding them like sibling hops ends that circle.
  uint64_t refinds_ = 0;
};

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_TREE_WALKER_H_
