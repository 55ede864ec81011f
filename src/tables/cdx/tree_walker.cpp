#include "tables/cdx/tree_walker.h"

#include <array>
#include <utility>

#include "tables/bytes.h"
#include "tables/cdx/cdx_format.h"
#include "tables/cdx/tag_header.h"

namespace kx::tables::cdx {
namespace {

// Where a pointer was found, named only when an error needs the text.
std::string place_text(const Place& place) {
  return place.header ? header_place(place.offset) : "page " + hex(place.offset);
}

}  // namespace

TreeWalker::TreeWalker(ByteSource* source, const TreeShape& shape)
    : source_(source), shape_(shape) {}

bool TreeWalker::fail(Status status) {
  status_ = std::move(status);
  valid_ = false;
  return false;
}

// Every positioning operation starts from the header, so that an index that
// another application rewrote is read from its current root.
bool TreeWalker::begin(uint32_t* root) {
  valid_ = false;
  hops_ = 0;
  hop_direction_ = 0;
  began_ = false;
  if (!status_.ok()) return false;
  if (file_size_ == 0 && !refresh_size()) return false;
  TagRoot header;
  Status s = read_tag_root(source_, shape_.header_offset, file_size_, &header);
  if (!s.ok()) {
    // Judge the header against the file as it is now, not as it was.
    if (!refresh_size()) return false;
    s = read_tag_root(source_, shape_.header_offset, file_size_, &header);
    if (!s.ok()) return fail(s);
  }
  if (header.key_length != shape_.key_length || header.signature != shape_.signature) {
    return fail(Status::corruption(source_->name(), header_place(shape_.header_offset) +
                                                        ": key length or signature changed since "
                                                        "the index was opened"));
  }
  if (!cache_stamped_ || header.counter != cache_counter_ || header.root != cache_root_) {
    cache_.clear();
    cache_stamped_ = true;
    cache_counter_ = header.counter;
    cache_root_ = header.root;
  }
  *root = header.root;
  began_ = true;
  counter_ = header.counter;
  root_ = header.root;
  return true;
}

bool TreeWalker::tag_changed() {
  if (!began_) return false;
  uint64_t size = 0;
  TagRoot header;
  if (!source_->size(&size).ok() ||
      !read_tag_root(source_, shape_.header_offset, size, &header).ok()) {
    return false;
  }
  return header.counter != counter_ || header.root != root_;
}

// The file's size is asked again only when something depends on it: a
// pointer past the size known so far (the file may have grown), a read that
// fails (it may have shrunk), a sibling chain longer than the known size has
// pages. Otherwise the size known from an earlier operation bounds the walk
// as well as a fresh one would, without a system call per operation.
bool TreeWalker::refresh_size() {
  Status s = source_->size(&file_size_);
  return s.ok() || fail(s);
}

bool TreeWalker::too_many_hops() {
  if (hops_ <= file_size_ / kPageSize) return false;
  uint64_t size = 0;
  if (source_->size(&size).ok()) file_size_ = size;
  return hops_ > file_size_ / kPageSize;
}

bool TreeWalker::load(uint64_t pointer, const Place& from, const char* what, Node* node) {
  if (!range_inside(pointer, kPageSize, file_size_) && !refresh_size()) return false;
  if (!pointer_ok(pointer, file_size_)) {
    return fail(check_pointer(source_->name(), place_text(from), what, pointer, file_size_));
  }
  Status s = read_node_header(source_, pointer, shape_.key_length, shape_.fill, node);
  if (!s.ok() && s.gencode() == kGenRead) {
    if (!refresh_size()) return false;
    if (!pointer_ok(pointer, file_size_)) {
      return fail(check_pointer(source_->name(), place_text(from), what, pointer, file_size_));
    }
  }
  if (!s.ok()) return fail(s);
  return true;
}

bool TreeWalker::load_for_descent(uint64_t pointer, const Place& from, const char* what,
                                  size_t depth, Node* node) {
  if (pointer_ok(pointer, file_size_) && cache_.fetch(pointer, node)) {
    served_from_cache_ = true;
    return true;
  }
  if (!load(pointer, from, what, node)) return false;
  cache_.keep(*node, depth);
  return true;
}

bool TreeWalker::decode_through(Node* node, size_t i) {
  if (i < node->decoded()) return true;
  Status s = node->decode_through(source_->name(), i);
  return s.ok() || fail(s);
}

bool TreeWalker::position(Node* node, Target target, std::string_view prefix, size_t* pos) {
  *pos = 0;
  switch (target) {
    case Target::kFirst:
      return node->count == 0 || decode_through(node, 0);
    case Target::kLast:
      if (node->count == 0) return true;
      *pos = node->count - 1;
      return decode_through(node, *pos);
    default:
      break;
  }
  Status s = node->find(source_->name(), prefix, target == Target::kAfter, pos);
  if (!s.ok()) return fail(s);
  // Equal keys are ordered by record number, in interior nodes too.
  for (; target == Target::kEntry && *pos < node->count; ++*pos) {
    if (!decode_through(node, *pos)) return false;
    if (node->key(*pos) != prefix || node->recno(*pos) >= entry_recno_) break;
  }
  return true;
}

// What a walk meets while another application changes the tree may be a
// change half made, not damage: when the header moved on meanwhile, walk again.
// A walk that failed on nodes from the cache is walked again from the file
// (once), so that only what the file holds now is reported as damage.
void TreeWalker::descend(Target target, std::string_view prefix) {
  bool walked_from_file = false;
  for (size_t walk = 1;; ++walk) {
    served_from_cache_ = false;
    walk_once(target, prefix);
    if (status_.ok()) {
      if (valid_) cache_.update(*leaf_);
      return;
    }
    if (served_from_cache_ && !walked_from_file) {
      walked_from_file = true;
      cache_.clear();
      status_ = Status();
      --walk;
      continue;
    }
    if (!tag_changed()) return;
    if (walk == kMaxWalks) {
      kept_changing();
      return;
    }
    status_ = Status();
  }
}

bool TreeWalker::kept_changing() {
  return fail(Status::read_error(source_->name(), 0,
                                 header_place(shape_.header_offset) + ": the tag changed " +
                                     std::to_string(kMaxWalks) + " times while it was read"));
}

void TreeWalker::walk_once(Target target, std::string_view prefix) {
  uint32_t root = 0;
  if (!begin(&root)) return;
  std::array<uint64_t, kMaxDepth> path;
  size_t depth = 0;
  uint64_t page = root;
  Place from{shape_.header_offset, true};
  const char* what = "root";
  for (;;) {
    for (size_t i = 0; i < depth; ++i) {
      if (path[i] == page) {
        fail(Status::corruption(source_->name(), place_text(from) + ": child " + hex(page) +
                                                     " loops back to an ancestor"));
        return;
      }
    }
    if (depth == kMaxDepth) {
      fail(Status::corruption(source_->name(), place_text(from) + ": tree deeper than " +
                                                   std::to_string(kMaxDepth) + " levels"));
      return;
    }
    if (!load_for_descent(page, from, what, depth, leaf_)) return;
    if (depth > 0 && leaf_->is_root()) {
      fail(Status::corruption(source_->name(),
                              place_text(from) + ": child " + hex(page) + " is marked as a root"));
      return;
    }
    path[depth++] = page;
    if (leaf_->is_leaf()) break;
    size_t i = 0;
    if (!position(leaf_, target, prefix, &i)) return;
    if (!move_right(target, prefix, &i)) return;
    if (i == leaf_->count) return;  // every key is less than the prefix: end of the tree
    from = Place{leaf_->offset, false};
    what = "child";
    page = leaf_->child(i);
  }
  if (target == Target::kLast) return settle_backward();
  settle_forward(target, prefix);
}

// A writer that splits an interior node moves its upper half to a new right
// sibling before the parent has a separator for it; a walk that read the
// parent first finds the key beyond the node's last entry, in that sibling.
bool TreeWalker::move_right(Target target, std::string_view prefix, size_t* pos) {
  while (*pos == leaf_->count && leaf_->right != kNoPage) {
    const Place from{leaf_->offset, false};
    if (++hops_ > file_size_ / kPageSize && too_many_hops()) {
      return fail(Status::corruption(
          source_->name(),
          place_text(from) + ": sibling chain runs longer than the file has pages"));
    }
    if (!load_for_descent(leaf_->right, from, "right sibling", kMaxDepth, scratch_)) return false;
    if (scratch_->is_leaf() || scratch_->is_root() || scratch_->left != leaf_->offset) {
      return fail(Status::corruption(source_->name(), place_text(from) + ": right sibling " +
                                                          hex(leaf_->right) +
                                                          " is not the next interior node"));
    }
    std::swap(leaf_, scratch_);
    if (!position(leaf_, target, prefix, pos)) return false;
  }
  return true;
}

// Leaves may be empty, and a separator may be less than the greatest key of
// its subtree in an index another program wrote; both are handled by moving
// on along the leaf level.
void TreeWalker::settle_forward(Target target, std::string_view prefix) {
  for (;;) {
    if (!position(leaf_, target, prefix, &pos_)) return;
    if (pos_ < leaf_->count) {
      valid_ = true;
      return;
    }
    if (!hop(true)) return;
  }
}

void TreeWalker::settle_backward() {
  while (leaf_->count == 0) {
    if (!hop(false)) return;
  }
  pos_ = leaf_->count - 1;
  if (!decode_through(leaf_, pos_)) return;
  valid_ = true;
}

bool TreeWalker::hop(bool right) {
  valid_ = false;
  const uint32_t pointer = right ? leaf_->right : leaf_->left;
  if (pointer == kNoPage) return false;
  const int direction = right ? 1 : -1;
  if (direction != hop_direction_) hops_ = 0;
  hop_direction_ = direction;
  const Place from{leaf_->offset, false};
  const char* what = right ? "right sibling" : "left sibling";
  auto damaged = [&](const std::string& text) {
    return fail(Status::corruption(source_->name(), text));
  };
  if (++hops_ > file_size_ / kPageSize && too_many_hops()) {
    return damaged(place_text(from) + ": sibling chain runs longer than the file has pages");
  }
  if (!load(pointer, from, what, scratch_)) return false;
  if (!scratch_->is_leaf() || scratch_->is_root()) {
    return damaged(place_text(from) + ": " + what + " " + hex(pointer) + " is not a leaf");
  }
  const uint32_t back = right ? scratch_->left : scratch_->right;
  if (back != leaf_->offset) {
    return damaged("page " + hex(pointer) + ": " + (right ? "left" : "right") + " sibling " +
                   (back == kNoPage ? std::string("none") : hex(back)) +
                   " does not point back to " + hex(leaf_->offset));
  }
  // The walk goes on at the sibling's first entry (going right) or its last
  // (going left), and the keys that meet at the boundary must be in order.
  if (scratch_->count > 0 && !decode_through(scratch_, right ? 0 : scratch_->count - 1)) {
    return false;
  }
  if (leaf_->count > 0 && scratch_->count > 0) {
    if (!decode_through(leaf_, right ? leaf_->count - 1 : 0)) return false;
    const bool ordered = right ? leaf_->key(leaf_->count - 1) <= scratch_->key(0)
                               : scratch_->key(scratch_->count - 1) <= leaf_->key(0);
    if (!ordered) {
      return damaged(place_text(from) + ": keys of " + what + " " + hex(pointer) +
                     " are out of order");
    }
  }
  std::swap(leaf_, scratch_);
  return true;
}

void TreeWalker::seek_first() { descend(Target::kFirst, {}); }
void TreeWalker::seek_last() { descend(Target::kLast, {}); }
void TreeWalker::seek_at_least(std::string_view prefix) { descend(Target::kAtLeast, prefix); }
void TreeWalker::seek_after(std::string_view prefix) { descend(Target::kAfter, prefix); }

void TreeWalker::next() {
  if (!valid_) return;
  if (++pos_ < leaf_->count) {
    if (!decode_through(leaf_, pos_)) return;
    return;
  }
  cross(true);
}

void TreeWalker::prev() {
  if (!valid_) return;
  if (pos_ > 0) {
    --pos_;
    return;
  }
  cross(false);
}

// A leaf split while we stood on it leaves a sibling link that does not
// point back, or a leaf that no longer holds what we read: when the tag
// changed, the entry we stood on is found again from the root and the step
// is taken from where it lies now.
void TreeWalker::cross(bool right) {
  const size_t at = right ? leaf_->count - 1 : 0;
  const std::string key(leaf_->key(at));
  const uint32_t recno = leaf_->recno(at);
  for (size_t walk = 1;; ++walk) {
    while (hop(right)) {
      if (leaf_->count == 0) continue;
      pos_ = right ? 0 : leaf_->count - 1;
      valid_ = true;
      return;
    }
    if (status_.ok() || !tag_changed()) return;
    if (walk == kMaxWalks) {
      kept_changing();
      return;
    }
    status_ = Status();
    entry_recno_ = recno;
    descend(Target::kEntry, key);
    if (!valid_) {
      // Nothing from that entry on: going back, the last entry is next.
      if (!right && status_.ok()) descend(Target::kLast, {});
      return;
    }
    const bool same = this->key() == key && this->recno() == recno;
    if (right && !same) return;  // that entry is gone; the one after it is next
    if (right ? pos_ + 1 < leaf_->count : pos_ > 0) {
      pos_ = right ? pos_ + 1 : pos_ - 1;
      if (!decode_through(leaf_, pos_)) return;
      valid_ = true;
      return;
    }
  }
}

Status TreeWalker::count_keys(uint64_t* count) {
  *count = 0;
  descend(Target::kFirst, {});
  if (!status_.ok()) return status_;
  // descend() stops on the first leaf that holds keys (or the last leaf).
  // Every leaf is rebuilt whole on the way, so that its damage is found.
  uint64_t total = 0;
  do {
    if (leaf_->count > 0 && !decode_through(leaf_, leaf_->count - 1)) break;
    total += leaf_->count;
  } while (hop(true));
  valid_ = false;
  if (!status_.ok()) return status_;
  *count = total;
  return Status();
}

}  // namespace kx::tables::cdx
