#include "tables/cdx/tree_walker.h"

#include <string>

#include "tables/cdx/tag_header.h"

namespace kx::tables::cdx {

TreeWalker::TreeWalker(PagedFile* file, const TreeShape& shape, TagHome home)
    : file_(file), shape_(shape), home_(std::move(home)), walk_(file, shape) {}

void TreeWalker::settle(const Status& s) {
  if (s.ok()) return;
  status_ = s;
  walk_.invalidate();
}

// The root that the tag header names; the header's key length and signature
// must still be those the tag was opened with. A header read from the file
// that is not the tag's any more is looked for again in the directory.
Status TreeWalker::read_root(const ReadAttempt& a, uint32_t* root) {
  TagRoot header;
  Status s = read_tag_root(file_, shape_.header_offset, a.freshness, &header);
  bool same =
      s.ok() && header.key_length == shape_.key_length && header.signature == shape_.signature;
  const bool from_file = a.freshness == PagedFile::Freshness::kFromFile;
  if (same && from_file && home_.locate) {
    TagHeader whole;
    s = read_tag_header(file_, shape_.header_offset, true, a.freshness, &whole);
    same = s.ok() && whole.key_expression == home_.key_expression &&
           whole.for_expression == home_.for_expression;
  }
  uint64_t moved = 0;
  if (!same && from_file && home_.locate && home_.locate(a, &moved).ok() &&
      moved != shape_.header_offset) {
    shape_.header_offset = moved;
    walk_.relocate(moved);
    return read_root(a, root);
  }
  if (!s.ok()) return s;
  if (!same) {
    return Status::corruption(file_->name(), header_place(shape_.header_offset) +
                                                 ": key length or signature changed since "
                                                 "the index was opened");
  }
  *root = header.root;
  return Status();
}

Status TreeWalker::walk_to(Target target, std::string_view prefix, uint32_t recno,
                           const ReadAttempt& a, bool keep_hops) {
  uint32_t root = 0;
  Status s = read_root(a, &root);
  if (!s.ok()) return s;
  walk_.seek(root, target, prefix, recno, WalkMode{a.freshness, a.tolerant}, keep_hops);
  return walk_.status();
}

void TreeWalker::seek(Target target, std::string_view prefix, uint32_t recno) {
  walk_.invalidate();
  refinds_ = 0;
  if (!status_.ok()) return;
  settle(read_until_settled(
      file_, [&] { return header_place(shape_.header_offset); },
      [&](const ReadAttempt& a) { return walk_to(target, prefix, recno, a); }));
}

void TreeWalker::seek_first() { seek(Target::kFirst, {}); }
void TreeWalker::seek_last() { seek(Target::kLast, {}); }
void TreeWalker::seek_at_least(std::string_view prefix) { seek(Target::kAtLeast, prefix); }
void TreeWalker::seek_after(std::string_view prefix) { seek(Target::kAfter, prefix); }

// The entry the walk stood on, found again from the root, and the step made
// from where it lies now (a leaf split while the walk stood on it leaves a
// sibling link that does not point back).
Status TreeWalker::step_again(bool forward, const std::string& key, uint32_t recno,
                              const ReadAttempt& a) {
  Status s = walk_to(Target::kEntry, key, recno, a, true);
  if (!s.ok()) return s;
  if (!walk_.valid()) {
    // Nothing from that entry on: going back, the last entry is next.
    return forward ? Status() : walk_to(Target::kLast, {}, 0, a, true);
  }
  const bool same = walk_.key() == key && walk_.recno() == recno;
  if (forward && !same) return Status();  // that entry is gone; the one after it is next
  walk_.step(forward, WalkMode{a.freshness, a.tolerant});
  return walk_.status();
}

void TreeWalker::step(bool forward) {
  if (!valid()) return;
  const std::string key(walk_.key());
  const uint32_t recno = walk_.recno();
  if (walk_.step(forward, WalkMode{})) return;
  if (!may_be_half_written(walk_.status())) return settle(walk_.status());
  if (++refinds_ > file_->known_size() / kPageSize + 1) {
    return settle(Status::corruption(file_->name(), header_place(shape_.header_offset) +
                                                        ": a walk found its place again more "
                                                        "often than the file has pages"));
  }
  settle(read_until_settled(
      file_, [&] { return header_place(shape_.header_offset); },
      [&](const ReadAttempt& a) { return step_again(forward, key, recno, a); }));
}

void TreeWalker::next() { step(true); }
void TreeWalker::prev() { step(false); }

Status TreeWalker::count_keys(uint64_t* count) {
  *count = 0;
  uint64_t total = 0;
  for (seek_first(); valid(); next()) ++total;
  walk_.invalidate();
  if (!status_.ok()) return status_;
  *count = total;
  return Status();
}

}  // namespace kx::tables::cdx
