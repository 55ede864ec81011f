#include "tables/cdx/tree_walk.h"

#include <array>
#include <utility>

#include "tables/cdx/cdx_format.h"
#include "tables/cdx/tag_header.h"

namespace kx::tables::cdx {
namespace {

// Pages read with a page of a descent: the next pages in the file are often
// its siblings, which the next seek of a walk in key order wants.
constexpr size_t kDescentAhead = 3 * kPageSize;
// Pages read with a sibling a walk hops to.
constexpr size_t kHopAhead = kPageSize;
// How far past the end of the file a writer's new pages may lie before it
// has written them.
constexpr uint64_t kWriterReach = 64 * kPageSize;

}  // namespace

std::string Place::text() const { return header ? header_place(offset) : "page " + hex(offset); }

TreeWalk::TreeWalk(PagedFile* file, const TreeShape& shape) : file_(file), shape_(shape) {}

bool TreeWalk::fail(Status status) {
  status_ = std::move(status);
  valid_ = false;
  return false;
}

bool TreeWalk::disagree(const std::string& what) {
  return fail(Status::corruption(file_->name(), what));
}

// A page past the end of the file as known so far is read all the same, since
// the file may have grown; only a read that comes back short puts it outside.
bool TreeWalk::load(uint64_t pointer, Place from, const char* what, Node* node) {
  if (pointer % kPageSize != 0 || pointer < kHeaderSize) {
    return fail(check_pointer(file_->name(), from.text(), what, pointer, UINT64_MAX));
  }
  const size_t ahead = node == other_ ? kHopAhead : kDescentAhead;
  Status s = read_node_header(file_, pointer, shape_.key_length, shape_.fill, node, mode_.freshness,
                              ahead, &memo_);
  if (is_short_read(s)) {
    return fail(check_pointer(file_->name(), from.text(), what, pointer, file_->known_size()));
  }
  return s.ok() || fail(s);
}

bool TreeWalk::decode_through(Node* node, size_t i) {
  if (i < node->decoded()) return true;
  Status s = node->decode_through(file_->name(), i);
  if (!s.ok()) return fail(s);
  if (node->decoded() == node->count()) memo_.keep(*node);
  return true;
}

// Whether an entry is at or past the target (equal keys are ordered by
// record number, which kEntry seeks by).
bool TreeWalk::qualifies(std::string_view key, uint32_t recno, Target target,
                         std::string_view prefix) const {
  const int c = key.substr(0, prefix.size()).compare(prefix);
  switch (target) {
    case Target::kFirst:
      return true;
    case Target::kLast:
      return false;
    case Target::kAfter:
      return c > 0;
    case Target::kEntry:
      return c > 0 || (c == 0 && (key.size() != prefix.size() || recno >= entry_recno_));
    case Target::kAtLeast:
      break;
  }
  return c >= 0;
}

bool TreeWalk::position(Node* node, Target target, std::string_view prefix, size_t* pos) {
  *pos = 0;
  const size_t count = node->count();
  if (target == Target::kFirst) return count == 0 || decode_through(node, 0);
  if (target == Target::kLast) {
    if (count == 0) return true;
    *pos = count - 1;
    return decode_through(node, *pos);
  }
  Status s = node->find(file_->name(), prefix, target == Target::kAfter, pos);
  if (!s.ok()) return fail(s);
  for (; target == Target::kEntry && *pos < count; ++*pos) {
    if (!decode_through(node, *pos)) return false;
    if (qualifies(node->key(*pos), node->recno(*pos), target, prefix)) break;
  }
  return true;
}

bool TreeWalk::seek(uint32_t root, Target target, std::string_view prefix, uint32_t entry_recno,
                    WalkMode mode, bool keep_hops) {
  mode_ = mode;
  entry_recno_ = entry_recno;
  valid_ = false;
  status_ = Status();
  if (!keep_hops) hops_ = 0;
  leaf_ends_ = 0;
  if (!load(root, Place{shape_.header_offset, true}, "root", leaf_)) return false;
  if (!leaf_->is_root() && !mode_.tolerant) {
    return disagree(Place{shape_.header_offset, true}.text() + ": root " + hex(root) +
                    " is not marked as a root");
  }
  std::array<uint64_t, kMaxDepth> path;
  size_t depth = 0;
  path[depth++] = root;
  Bound low;
  while (!leaf_->is_leaf()) {
    size_t i = 0;
    if (!position(leaf_, target, prefix, &i)) return false;
    if (!move_right_interior(target, prefix, &i)) return false;
    if (i == leaf_->count()) return true;  // every key is less than the prefix
    if (depth == kMaxDepth) {
      return disagree(Place{leaf_->offset()}.text() + ": tree deeper than " +
                      std::to_string(kMaxDepth) + " levels");
    }
    std::swap(parent_, leaf_);
    if (!descend_into(parent_, i, path.data(), depth, &low)) return false;
    path[depth++] = leaf_->offset();
  }
  return settle(target, prefix);
}

// Reads child i of parent into leaf_ and checks it against the parent. The
// path holds the pages above it; *low is the bound below the parent's
// entries, and becomes the child's.
bool TreeWalk::descend_into(Node* parent, size_t i, const uint64_t* path, size_t depth,
                            Bound* low) {
  Promise promise;
  if (i > 0) {
    promise.low = Bound{true, std::string(parent->key(i - 1)), parent->recno(i - 1)};
  } else {
    promise.low = *low;
  }
  promise.high = Bound{true, std::string(parent->key(i)), parent->recno(i)};
  promise.left = i > 0 ? parent->child(i - 1) : kNoPage;
  promise.right = i + 1 < parent->count() ? parent->child(i + 1) : kNoPage;
  *low = promise.low;
  const Place from{parent->offset()};
  const uint32_t pointer = parent->child(i);
  for (size_t d = 0; d < depth; ++d) {
    if (path[d] == pointer) {
      return disagree(from.text() + ": child " + hex(pointer) + " loops back to an ancestor");
    }
  }
  if (!load(pointer, from, "child", leaf_)) {
    if (!mode_.tolerant || !being_written(pointer)) return false;
    return load_neighbour_child(parent, i, promise.low);
  }
  if (leaf_->is_root()) {
    return disagree(from.text() + ": child " + hex(leaf_->offset()) + " is marked as a root");
  }
  if (check_child(promise)) {
    note_leaf_promise(promise);
    return true;
  }
  if (!mode_.tolerant || status_.gencode() != kGenCorruption) return false;
  return load_neighbour_child(parent, i, promise.low);
}

void TreeWalk::note_leaf_promise(const Promise& promise) {
  leaf_ends_ = 0;
  leaf_high_ = promise.high;
  if (!leaf_->is_leaf() || leaf_->count() == 0 || !decode_through(leaf_, leaf_->count() - 1)) {
    status_ = Status();
    return;
  }
  const std::string_view last = leaf_->key(leaf_->count() - 1);
  const uint32_t recno = leaf_->recno(leaf_->count() - 1);
  const int c = last.compare(promise.high.key);
  leaf_ends_ = c != 0 ? c : recno == promise.high.recno ? 0 : recno < promise.high.recno ? -1 : 1;
}

// Whether a page that failed to load may be one that the writer is adding: it
// lies a little past the end of the file, it is still all zeros, or it holds
// no entries (a page taken from the writer's free list and not filled yet).
// A pointer far past the end, or a page of something else, is damage.
bool TreeWalk::being_written(uint64_t pointer) const {
  if (status_.gencode() != kGenCorruption) return false;
  const uint64_t end = file_->known_size();
  if (pointer >= end) return pointer - end < kWriterReach;
  return leaf_->offset() == pointer &&
         (leaf_->all_zero() ||
          (leaf_->count() == 0 && (leaf_->attributes() & ~kAttrKnownBits) == 0));
}

// A child that the writer has not written yet (or a page it took from its
// free list and has not filled) is passed by: its keys are still in the
// neighbour it is being split from, which the walk takes instead, moving on
// along the level from there as far as the target needs.
bool TreeWalk::load_neighbour_child(Node* parent, size_t i, const Bound& low) {
  const Status failure = status_;
  const Place from{parent->offset()};
  Promise own;  // what the parent promised of child i
  own.low = i > 0 ? Bound{true, std::string(parent->key(i - 1)), parent->recno(i - 1)} : low;
  own.high = Bound{true, std::string(parent->key(i)), parent->recno(i)};
  for (const size_t n : {i - 1, i + 1}) {
    if (n >= parent->count()) continue;  // i - 1 wraps around for the first child
    Promise promise;
    promise.low = n > 0 ? Bound{true, std::string(parent->key(n - 1)), parent->recno(n - 1)} : low;
    promise.high = Bound{true, std::string(parent->key(n)), parent->recno(n)};
    status_ = Status();
    if (!load(parent->child(n), from, "child", leaf_) || !within(promise)) continue;
    // The left neighbour must hold all that child i was to hold; the right
    // one's first entry is no answer, since what child i held is unknown.
    note_leaf_promise(own);
    if (n > i) leaf_ends_ = 1;
    return true;
  }
  return fail(failure);
}

bool TreeWalk::check_child(const Promise& promise) {
  const Node& child = *leaf_;
  const Place where{child.offset()};
  if (mode_.tolerant) return within(promise);
  if (promise.left != kNoPage && child.left() != promise.left) {
    return disagree(where.text() + ": left sibling " + hex(child.left()) +
                    " is not its parent's previous child " + hex(promise.left));
  }
  if (promise.right != kNoPage && child.right() != promise.right) {
    return disagree(where.text() + ": right sibling " + hex(child.right()) +
                    " is not its parent's next child " + hex(promise.right));
  }
  if (child.count() == 0) return disagree(where.text() + ": a child without entries");
  if (!decode_through(leaf_, child.count() - 1)) return false;
  const size_t last = child.count() - 1;
  if (child.key(last) != promise.high.key || child.recno(last) != promise.high.recno) {
    return disagree(where.text() + ": its last entry is not its parent's separator");
  }
  return true;
}

// What a tolerant walk asks of a child: its entries overlap the part of the
// order that its parent gives it (keys moved between neighbours may cross
// the parent's separators, but only so far). A page of another tag or
// another level, or an old page from the writer's free list, does not.
bool TreeWalk::within(const Promise& promise) {
  const size_t count = leaf_->count();
  if (count == 0) return true;
  if (!decode_through(leaf_, count - 1)) return false;
  auto after = [&](size_t i, const Bound& b) {
    const std::string_view key = leaf_->key(i);
    return key > b.key || (key == b.key && leaf_->recno(i) > b.recno);
  };
  const bool ok = (!promise.low.known || after(count - 1, promise.low)) &&
                  (!promise.high.known || !after(0, promise.high));
  if (ok) return true;
  return disagree("page " + hex(leaf_->offset()) + ": its entries lie outside the part " +
                  "of the order its parent gives it");
}

// Past the end of an interior node: the key lies beyond the node's last
// separator, in its right siblings (a node split while its parent still
// points only to its lower half). Only a tolerant walk goes there: a strict
// one has checked the node against its parent, and a root has no siblings.
bool TreeWalk::move_right_interior(Target target, std::string_view prefix, size_t* pos) {
  while (mode_.tolerant && *pos == leaf_->count() && leaf_->right() != kNoPage) {
    const Place from{leaf_->offset()};
    if (!count_hop()) return false;
    if (!load(leaf_->right(), from, "right sibling", other_)) return false;
    if (other_->is_leaf() || !back_link_ok(true, *other_)) {
      return disagree(from.text() + ": right sibling " + hex(leaf_->right()) +
                      " is not the next interior node");
    }
    std::swap(leaf_, other_);
    if (!position(leaf_, target, prefix, pos)) return false;
  }
  return true;
}

bool TreeWalk::settle(Target target, std::string_view prefix) {
  if (target == Target::kLast) return settle_backward();
  return settle_forward(target, prefix);
}

// Moves along the leaf level from the leaf the descent reached to the entry
// the target names, and makes sure that the entry before it is not at or
// past the target: in a tree being changed, that entry may lie in a left
// sibling that the parent does not know holds it yet.
bool TreeWalk::settle_forward(Target target, std::string_view prefix) {
  const uint64_t reached = leaf_->offset();
  for (;;) {
    if (!position(leaf_, target, prefix, &pos_)) return false;
    if (pos_ < leaf_->count()) break;
    if (leaf_->right() == kNoPage) return true;  // past the end of the tree
    if (!hop(true, leaf_)) return false;
    if (leaf_ends_ < 0 && !continues_promise(reached)) return false;
  }
  // A leaf that ends past its separator took keys from its right sibling, and
  // may have given its first keys to its left one: its first entry is no
  // answer until the writer is done.
  if (pos_ == 0 && leaf_ends_ > 0 && leaf_->offset() == reached) {
    return disagree("page " + hex(reached) + ": ends past its parent's separator, and the " +
                    "target is its first entry");
  }
  while (pos_ == 0 && leaf_->left() != kNoPage) {
    bool moved = false;
    if (!check_left_of_first(target, prefix, &moved)) return false;
    if (!moved) break;
  }
  valid_ = true;
  return true;
}

// A leaf that ends before its parent's separator: the keys up to the
// separator must go on in the right sibling the walk has reached; if that
// one starts past the separator, they are in no page yet.
bool TreeWalk::continues_promise(uint64_t reached) {
  if (leaf_->left() != reached || leaf_->count() == 0) return true;
  const std::string_view first = leaf_->key(0);
  const bool past =
      first > leaf_high_.key || (first == leaf_high_.key && leaf_->recno(0) > leaf_high_.recno);
  if (!past) return true;
  return disagree("page " + hex(reached) + ": ends before its parent's separator, and its right " +
                  "sibling " + hex(leaf_->offset()) + " starts after it");
}

// The target lands on the first entry of a leaf that has a left sibling: the
// sibling's last entry must be before the target. If it is not, a strict walk
// disagrees and a tolerant one moves there (*moved). False on an error.
bool TreeWalk::check_left_of_first(Target target, std::string_view prefix, bool* moved) {
  *moved = false;
  if (!load_left_sibling()) return false;
  // An empty leaf (another product may leave one) holds nothing before it.
  if (other_->count() == 0) return true;
  const size_t last = other_->count() - 1;
  if (!decode_through(other_, last)) return false;
  if (!qualifies(other_->key(last), other_->recno(last), target, prefix)) return true;
  if (!mode_.tolerant) {
    return disagree("page " + hex(other_->offset()) + ": holds keys that its right sibling " +
                    hex(leaf_->offset()) + " was sought for");
  }
  std::swap(leaf_, other_);
  if (!position(leaf_, target, prefix, &pos_)) return false;
  *moved = true;
  return true;
}

// Reads leaf_'s left sibling into other_. When it does not point back, a
// tolerant walk looks for the page that a split of it put between the two:
// one that already links both ways while the leaf still points past it, and
// takes that one.
bool TreeWalk::load_left_sibling() {
  const uint32_t pointer = leaf_->left();
  const Place from{leaf_->offset()};
  if (!count_hop() || !load(pointer, from, "left sibling", other_)) return false;
  if (!other_->is_leaf())
    return disagree(from.text() + ": left sibling " + hex(pointer) + " is not a leaf");
  if (other_->right() == leaf_->offset()) return true;
  const std::string lag =
      "page " + hex(pointer) + ": right sibling " +
      (other_->right() == kNoPage ? std::string("none") : hex(other_->right())) +
      " does not point back to " + hex(leaf_->offset());
  if (!mode_.tolerant || other_->right() == kNoPage) return disagree(lag);
  if (!load(other_->right(), Place{pointer}, "right sibling", parent_) || !parent_->is_leaf() ||
      parent_->left() != pointer || parent_->right() != leaf_->offset()) {
    return disagree(lag);
  }
  std::swap(parent_, other_);
  return true;
}

bool TreeWalk::settle_backward() {
  for (;;) {
    while (leaf_->count() == 0) {
      if (leaf_->left() == kNoPage) return true;
      if (!hop(false, leaf_)) return false;
    }
    if (leaf_->right() == kNoPage) break;
    // The last leaf has no right sibling; a tree being changed may have one
    // past the leaf its parent knows.
    if (!mode_.tolerant) {
      return disagree("page " + hex(leaf_->offset()) + ": the last leaf has a right sibling " +
                      hex(leaf_->right()));
    }
    if (!hop(true, leaf_)) return false;
  }
  pos_ = leaf_->count() - 1;
  if (!decode_through(leaf_, pos_)) return false;
  valid_ = true;
  return true;
}

bool TreeWalk::count_hop() {
  if (++hops_ <= file_->known_size() / kPageSize + 1) return true;
  return disagree("page " + hex(leaf_->offset()) +
                  ": sibling chain runs longer than the file has pages");
}

// A sibling points back to the page it was reached from; in a tolerant walk
// a right sibling may instead still point to that page's own left sibling: a
// split put the page between them, and the writer has not relinked it yet.
bool TreeWalk::back_link_ok(bool right, const Node& to) {
  const uint32_t back = right ? to.left() : to.right();
  if (back == leaf_->offset()) return true;
  return mode_.tolerant && right && leaf_->left() != kNoPage && back == leaf_->left();
}

// Moves from leaf_ to its right (or left) sibling, read into *to (leaf_ or
// other_); when to is leaf_ the walk stands on the sibling afterwards.
bool TreeWalk::hop(bool right, Node* to) {
  const uint32_t pointer = right ? leaf_->right() : leaf_->left();
  const Place from{leaf_->offset()};
  const char* what = right ? "right sibling" : "left sibling";
  if (!count_hop()) return false;
  if (!load(pointer, from, what, other_)) return false;
  if (!other_->is_leaf() || (other_->is_root() && !mode_.tolerant)) {
    return disagree(from.text() + ": " + what + " " + hex(pointer) + " is not a leaf");
  }
  if (!back_link_ok(right, *other_)) {
    const uint32_t back = right ? other_->left() : other_->right();
    return disagree("page " + hex(pointer) + ": " + (right ? "left" : "right") + " sibling " +
                    (back == kNoPage ? std::string("none") : hex(back)) +
                    " does not point back to " + hex(leaf_->offset()));
  }
  bool ordered = true;
  if (!boundary_in_order(right, &ordered)) return false;
  if (!ordered) {
    return disagree(from.text() + ": keys of " + what + " " + hex(pointer) + " are out of order");
  }
  if (to == leaf_) std::swap(leaf_, other_);
  return true;
}

// *ordered: whether the keys of leaf_ and other_ (its right or left sibling)
// that meet at the boundary are in order. False when one cannot be read.
bool TreeWalk::boundary_in_order(bool right, bool* ordered) {
  if (other_->count() == 0 || leaf_->count() == 0) return true;
  if (!decode_through(other_, right ? 0 : other_->count() - 1)) return false;
  if (!decode_through(leaf_, right ? leaf_->count() - 1 : 0)) return false;
  *ordered = right ? leaf_->key(leaf_->count() - 1) <= other_->key(0)
                   : other_->key(other_->count() - 1) <= leaf_->key(0);
  return true;
}

bool TreeWalk::step(bool forward, WalkMode mode) {
  mode_ = mode;
  if (!valid_) return true;
  status_ = Status();
  if (forward && pos_ + 1 < leaf_->count()) {
    ++pos_;
    return decode_through(leaf_, pos_);
  }
  if (!forward && pos_ > 0) {
    --pos_;
    return true;
  }
  valid_ = false;
  for (;;) {
    const uint32_t next = forward ? leaf_->right() : leaf_->left();
    if (next == kNoPage) return true;  // off the end of the tree
    if (!hop(forward, leaf_)) return false;
    if (leaf_->count() == 0) continue;
    pos_ = forward ? 0 : leaf_->count() - 1;
    if (!decode_through(leaf_, pos_)) return false;
    valid_ = true;
    return true;
  }
}

}  // namespace kx::tables::cdx
