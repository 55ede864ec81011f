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

bool qualifies(std::string_view key, bool strictly_greater, std::string_view prefix) {
  const std::string_view cut = key.substr(0, prefix.size());
  return strictly_greater ? cut > prefix : cut >= prefix;
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
  if (!status_.ok()) return false;
  Status s = source_->size(&file_size_);
  if (!s.ok()) return fail(s);
  TagHeader header;
  s = read_tag_header(source_, shape_.header_offset, file_size_, false, &header);
  if (!s.ok()) return fail(s);
  if (header.key_length != shape_.key_length || header.signature != shape_.signature) {
    return fail(Status::corruption(source_->name(), header_place(shape_.header_offset) +
                                                        ": key length or signature changed since "
                                                        "the index was opened"));
  }
  *root = header.root;
  return true;
}

bool TreeWalker::load(uint64_t pointer, const Place& from, const char* what, Node* node) {
  if (!range_inside(pointer, kPageSize, file_size_)) {
    // The file may have grown since the operation started.
    Status s = source_->size(&file_size_);
    if (!s.ok()) return fail(s);
  }
  if (!pointer_ok(pointer, file_size_)) {
    return fail(check_pointer(source_->name(), place_text(from), what, pointer, file_size_));
  }
  Status s = read_node(source_, pointer, shape_.key_length, shape_.fill, node);
  if (!s.ok()) return fail(s);
  return true;
}

size_t TreeWalker::lower_bound(const Node& node, Target target, std::string_view prefix) const {
  switch (target) {
    case Target::kFirst:
      return 0;
    case Target::kLast:
      return node.count == 0 ? 0 : node.count - 1;
    default:
      break;
  }
  const bool after = target == Target::kAfter;
  size_t low = 0, high = node.count;
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    if (qualifies(node.key(mid), after, prefix)) {
      high = mid;
    } else {
      low = mid + 1;
    }
  }
  return low;
}

void TreeWalker::descend(Target target, std::string_view prefix) {
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
    if (!load(page, from, what, &leaf_)) return;
    if (depth > 0 && leaf_.is_root()) {
      fail(Status::corruption(source_->name(),
                              place_text(from) + ": child " + hex(page) + " is marked as a root"));
      return;
    }
    path[depth++] = page;
    if (leaf_.is_leaf()) break;
    const size_t i = lower_bound(leaf_, target, prefix);
    if (i == leaf_.count) return;  // every key is less than the prefix: end of the tree
    from = Place{page, false};
    what = "child";
    page = leaf_.children[i];
  }
  if (target == Target::kLast) return settle_backward();
  settle_forward(target, prefix);
}

// Leaves may be empty, and a separator may be less than the greatest key of
// its subtree in an index another program wrote; both are handled by moving
// on along the leaf level.
void TreeWalker::settle_forward(Target target, std::string_view prefix) {
  for (;;) {
    pos_ = lower_bound(leaf_, target, prefix);
    if (pos_ < leaf_.count) {
      valid_ = true;
      return;
    }
    if (!hop(true)) return;
  }
}

void TreeWalker::settle_backward() {
  while (leaf_.count == 0) {
    if (!hop(false)) return;
  }
  pos_ = leaf_.count - 1;
  valid_ = true;
}

bool TreeWalker::hop(bool right) {
  valid_ = false;
  const uint32_t pointer = right ? leaf_.right : leaf_.left;
  if (pointer == kNoPage) return false;
  const int direction = right ? 1 : -1;
  if (direction != hop_direction_) hops_ = 0;
  hop_direction_ = direction;
  const Place from{leaf_.offset, false};
  const char* what = right ? "right sibling" : "left sibling";
  auto damaged = [&](const std::string& text) {
    return fail(Status::corruption(source_->name(), text));
  };
  if (++hops_ > file_size_ / kPageSize) {
    return damaged(place_text(from) + ": sibling chain runs longer than the file has pages");
  }
  if (!load(pointer, from, what, &scratch_)) return false;
  if (!scratch_.is_leaf() || scratch_.is_root()) {
    return damaged(place_text(from) + ": " + what + " " + hex(pointer) + " is not a leaf");
  }
  const uint32_t back = right ? scratch_.left : scratch_.right;
  if (back != leaf_.offset) {
    return damaged("page " + hex(pointer) + ": " + (right ? "left" : "right") + " sibling " +
                   (back == kNoPage ? std::string("none") : hex(back)) +
                   " does not point back to " + hex(leaf_.offset));
  }
  if (leaf_.count > 0 && scratch_.count > 0) {
    const bool ordered = right ? leaf_.key(leaf_.count - 1) <= scratch_.key(0)
                               : scratch_.key(scratch_.count - 1) <= leaf_.key(0);
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
  if (++pos_ < leaf_.count) return;
  while (hop(true)) {
    if (leaf_.count > 0) {
      pos_ = 0;
      valid_ = true;
      return;
    }
  }
}

void TreeWalker::prev() {
  if (!valid_) return;
  if (pos_ > 0) {
    --pos_;
    return;
  }
  while (hop(false)) {
    if (leaf_.count > 0) {
      pos_ = leaf_.count - 1;
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
  uint64_t total = leaf_.count;
  while (hop(true)) total += leaf_.count;
  valid_ = false;
  if (!status_.ok()) return status_;
  *count = total;
  return Status();
}

}  // namespace kx::tables::cdx
