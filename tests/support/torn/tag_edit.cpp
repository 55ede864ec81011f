#include "support/torn/tag_edit.h"

#include <algorithm>
#include <functional>
#include <set>

namespace kx::test {
namespace {

namespace cdx_pages = writer::cdx_pages;
using cdx_pages::kNone;
using cdx_pages::kPage;

constexpr size_t kFreeField = 4;
constexpr size_t kHeadWritten = 12;  // root, free list, change counter
constexpr size_t kMaxDepth = 32;

bool no_page(uint32_t offset) { return offset == 0 || offset == kNone; }

}  // namespace

cdx_pages::Entry separator(const cdx_pages::Page& page) {
  return {page.entries.back().key, page.entries.back().recno, static_cast<uint32_t>(page.offset)};
}

bool read_tags(const std::string& image, std::vector<CdxTag>* tags, std::string* error) {
  tags->clear();
  if (image.size() < 1024) return *error = "index shorter than its header", false;
  uint64_t at = cdx_pages::get_le32(image, 0);
  for (size_t pages = 0; !no_page(static_cast<uint32_t>(at)); ++pages) {
    cdx_pages::Page page;
    if (pages > 64 || at + kPage > image.size() ||
        !cdx_pages::decode_page(image.substr(at, kPage), at, 10, ' ', &page, error)) {
      return *error = "cannot read the directory", false;
    }
    if (!page.leaf()) {
      at = page.entries.front().child;
      continue;
    }
    for (const cdx_pages::Entry& e : page.entries) {
      CdxTag tag;
      tag.name = e.key.substr(0, e.key.find_last_not_of(' ') + 1);
      tag.header = e.recno;
      if (tag.header + 1024 > image.size()) return *error = "tag header past the end", false;
      tag.key_length = static_cast<uint16_t>(cdx_pages::get_le32(image, tag.header + 12) & 0xFFFF);
      tags->push_back(tag);
    }
    at = page.right;
  }
  return true;
}

TagEdit::TagEdit(const std::string& image, const CdxTag& tag, const TreeCaps& caps)
    : image_(image), tag_(tag), caps_(caps), head_(image.substr(tag.header, 16)) {
  end_ = (image.size() + kPage - 1) / kPage * kPage;
}

bool TagEdit::fail(const std::string& what) {
  error_ = tag_.name + ": " + what;
  return false;
}

uint32_t TagEdit::free_head() const {
  const uint32_t head = cdx_pages::get_le32(head_, kFreeField);
  return no_page(head) ? 0 : head;
}

bool TagEdit::page(uint64_t offset, Page* page) {
  const auto it = dirty_.find(offset);
  if (it != dirty_.end()) {
    if (it->second.role == Role::kFreed) return fail("page " + std::to_string(offset) + " is free");
    *page = it->second.page;
    return true;
  }
  std::string why;
  if (offset % kPage != 0 || offset + kPage > image_.size() ||
      !cdx_pages::decode_page(image_.substr(offset, kPage), offset, tag_.key_length, tag_.fill,
                              page, &why)) {
    return fail("cannot read page " + std::to_string(offset) + " " + why);
  }
  return true;
}

bool TagEdit::path(const Entry& entry, std::vector<Page>* pages, std::vector<size_t>* slots) {
  pages->clear();
  slots->clear();
  uint64_t at = cdx_pages::get_le32(head_, 0);
  for (;;) {
    Page p;
    if (pages->size() == kMaxDepth || !page(at, &p)) return fail("no path to a leaf");
    pages->push_back(p);
    if (p.leaf()) return true;
    const auto it =
        std::lower_bound(p.entries.begin(), p.entries.end(), entry, cdx_pages::entry_less);
    const size_t slot =
        it == p.entries.end() ? p.entries.size() - 1 : static_cast<size_t>(it - p.entries.begin());
    slots->push_back(slot);
    at = p.entries[slot].child;
  }
}

bool TagEdit::leaves(std::vector<Page>* leaves, std::vector<uint64_t>* parents) {
  leaves->clear();
  parents->clear();
  std::function<bool(uint64_t, uint64_t, size_t)> visit = [&](uint64_t at, uint64_t parent,
                                                              size_t depth) {
    Page p;
    if (depth == kMaxDepth || !page(at, &p)) return false;
    if (p.leaf()) {
      leaves->push_back(p);
      parents->push_back(parent);
      return true;
    }
    for (const Entry& e : p.entries) {
      if (!visit(e.child, at, depth + 1)) return false;
    }
    return true;
  };
  return visit(cdx_pages::get_le32(head_, 0), 0, 0);
}

void TagEdit::put(const Page& page, int level, Role role) {
  Dirty& d = dirty_[page.offset];
  if (d.role == Role::kNew && d.page.offset == page.offset && !d.page.entries.empty()) {
    role = Role::kNew;
  }
  d.page = page;
  d.level = level;
  d.role = role;
}

bool TagEdit::fits(const Page& page) const {
  const size_t cap = page.leaf() ? caps_.leaf : caps_.interior;
  std::string bytes;
  return page.entries.size() <= cap &&
         cdx_pages::encode_page(page, tag_.key_length, tag_.fill, &bytes);
}

uint64_t TagEdit::allocate(bool from_free_list) {
  const uint32_t head = free_head();
  if (from_free_list && head != 0) {
    const auto it = dirty_.find(head);
    const std::string& bytes = it != dirty_.end() ? it->second.raw : image_.substr(head, kPage);
    cdx_pages::set_le32(&head_, kFreeField, cdx_pages::get_le32(bytes, 0));
    head_changed_ = true;
    dirty_.erase(head);
    return head;
  }
  const uint64_t at = end_;
  end_ += kPage;
  return at;
}

bool TagEdit::insert(const Entry& entry, bool from_free_list) {
  std::vector<Page> pages;
  std::vector<size_t> slots;
  if (!path(entry, &pages, &slots)) return false;
  std::vector<Entry>& leaf = pages.back().entries;
  leaf.insert(std::upper_bound(leaf.begin(), leaf.end(), entry, cdx_pages::entry_less), entry);
  return store(&pages, slots, pages.size() - 1, from_free_list);
}

// Writes (*path)[at], splitting it when it overflows, and carries the change
// into the levels above.
bool TagEdit::store(std::vector<Page>* path, const std::vector<size_t>& slots, size_t at,
                    bool from_free_list) {
  Page& node = (*path)[at];
  const int level = static_cast<int>(path->size() - 1 - at);
  if (fits(node)) {
    put(node, level, Role::kChanged);
    if (at == 0) return true;
    Entry& slot = (*path)[at - 1].entries[slots[at - 1]];
    const Entry greatest = separator(node);
    if (slot.key == greatest.key && slot.recno == greatest.recno) return true;
    slot = greatest;
    return store(path, slots, at - 1, from_free_list);
  }
  const size_t cut = node.entries.size() / 2;
  Page lower = node;
  Page upper = node;
  lower.entries.resize(cut);
  upper.entries.erase(upper.entries.begin(), upper.entries.begin() + static_cast<long>(cut));
  lower.attributes = upper.attributes = node.attributes & ~cdx_pages::kRootBit;
  upper.offset = allocate(from_free_list);
  upper.left = static_cast<uint32_t>(node.offset);
  lower.right = static_cast<uint32_t>(upper.offset);
  if (!fits(lower) || !fits(upper)) return fail("a split half does not fit a page");
  if (upper.right != kNone) {
    Page neighbour;
    if (!page(upper.right, &neighbour)) return false;
    neighbour.left = static_cast<uint32_t>(upper.offset);
    put(neighbour, level, Role::kChanged);
  }
  put(upper, level, Role::kNew);
  put(lower, level, Role::kChanged);
  ++splits_;
  if (at == 0) {
    Page top;
    top.offset = allocate(false);
    top.attributes = cdx_pages::kRootBit;
    top.entries = {separator(lower), separator(upper)};
    put(top, level + 1, Role::kNew);
    cdx_pages::set_le32(&head_, 0, static_cast<uint32_t>(top.offset));
    head_changed_ = true;
    root_split_ = true;
    return true;
  }
  Page& parent = (*path)[at - 1];
  const size_t slot = slots[at - 1];
  parent.entries[slot] = separator(lower);
  parent.entries.insert(parent.entries.begin() + static_cast<long>(slot) + 1, separator(upper));
  return store(path, slots, at - 1, false);
}

bool TagEdit::parent_of(uint64_t leaf, Page* parent, size_t* slot) {
  std::vector<Page> all;
  std::vector<uint64_t> parents;
  if (!leaves(&all, &parents)) return false;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i].offset != leaf) continue;
    if (parents[i] == 0 || !page(parents[i], parent)) return fail("a leaf without a parent");
    for (size_t s = 0; s < parent->entries.size(); ++s) {
      if (parent->entries[s].child == leaf) return *slot = s, true;
    }
  }
  return fail("no leaf " + std::to_string(leaf));
}

bool TagEdit::rebalance(uint64_t giver, uint64_t receiver, size_t count) {
  Page parent, from, to;
  size_t slot = 0;
  if (!parent_of(giver, &parent, &slot) || !page(giver, &from) || !page(receiver, &to))
    return false;
  const bool rightwards =
      slot + 1 < parent.entries.size() && parent.entries[slot + 1].child == receiver;
  const bool leftwards = slot > 0 && parent.entries[slot - 1].child == receiver;
  if (!rightwards && !leftwards) return fail("the leaves are not neighbours");
  if (count == 0 || count >= from.entries.size()) return fail("nothing to move");
  if (rightwards) {
    to.entries.insert(to.entries.begin(), from.entries.end() - static_cast<long>(count),
                      from.entries.end());
    from.entries.resize(from.entries.size() - count);
    parent.entries[slot] = separator(from);
  } else {
    to.entries.insert(to.entries.end(), from.entries.begin(),
                      from.entries.begin() + static_cast<long>(count));
    from.entries.erase(from.entries.begin(), from.entries.begin() + static_cast<long>(count));
    parent.entries[slot - 1] = separator(to);
  }
  if (!fits(to)) return fail("the receiver overflows");
  put(from, 0, Role::kChanged);
  put(to, 0, Role::kChanged);
  put(parent, 1, Role::kChanged);
  return true;
}

bool TagEdit::merge(uint64_t left) {
  Page parent, into, gone;
  size_t slot = 0;
  if (!parent_of(left, &parent, &slot) || !page(left, &into)) return false;
  if (slot + 1 >= parent.entries.size()) return fail("no right neighbour under the parent");
  const uint64_t right = parent.entries[slot + 1].child;
  if (!page(right, &gone)) return false;
  into.entries.insert(into.entries.end(), gone.entries.begin(), gone.entries.end());
  into.right = gone.right;
  if (!fits(into)) return fail("the merged leaf overflows");
  if (gone.right != kNone) {
    Page next;
    if (!page(gone.right, &next)) return false;
    next.left = static_cast<uint32_t>(left);
    put(next, 0, Role::kChanged);
  }
  parent.entries[slot] = separator(into);
  parent.entries.erase(parent.entries.begin() + static_cast<long>(slot) + 1);
  put(into, 0, Role::kChanged);
  put(parent, 1, Role::kChanged);
  Dirty& freed = dirty_[right];
  freed.raw = image_.substr(right, kPage);
  cdx_pages::set_le32(&freed.raw, 0, free_head());
  freed.level = 0;
  freed.role = Role::kFreed;
  cdx_pages::set_le32(&head_, kFreeField, static_cast<uint32_t>(right));
  head_changed_ = true;
  return true;
}

bool TagEdit::respread(uint64_t parent_at) {
  Page parent;
  if (!page(parent_at, &parent)) return false;
  std::vector<Page> children(parent.entries.size());
  std::vector<Entry> all;
  for (size_t i = 0; i < children.size(); ++i) {
    if (!page(parent.entries[i].child, &children[i])) return false;
    if (!children[i].leaf()) return fail("respread above level 1");
    all.insert(all.end(), children[i].entries.begin(), children[i].entries.end());
  }
  if (children.size() < 2) return fail("one leaf cannot be respread");
  size_t next = 0;
  for (size_t i = 0; i < children.size(); ++i) {
    const size_t n = all.size() / children.size() + (i < all.size() % children.size() ? 1 : 0);
    children[i].entries.assign(all.begin() + static_cast<long>(next),
                               all.begin() + static_cast<long>(next + n));
    next += n;
    parent.entries[i] = separator(children[i]);
    put(children[i], 0, Role::kChanged);
  }
  put(parent, 1, Role::kChanged);
  return true;
}

std::map<uint64_t, int> TagEdit::changed_levels() const {
  std::map<uint64_t, int> out;
  for (const auto& [offset, d] : dirty_) out[offset] = d.level;
  return out;
}

bool TagEdit::is_new(uint64_t offset) const {
  const auto it = dirty_.find(offset);
  return it != dirty_.end() && it->second.role == Role::kNew;
}

std::string TagEdit::bytes_of(const Dirty& dirty) const {
  if (dirty.role == Role::kFreed) return dirty.raw;
  std::string bytes;
  cdx_pages::encode_page(dirty.page, tag_.key_length, tag_.fill, &bytes);
  return bytes;
}

WriteCall TagEdit::header_write(const std::string& file) const {
  return {file, tag_.header, head_.substr(0, kHeadWritten), false};
}

std::vector<WriteCall> TagEdit::writes(const std::string& file, const WriteOrder& order) const {
  std::vector<uint64_t> pages;
  for (const auto& [offset, d] : dirty_) pages.push_back(offset);
  const auto rank = [&](uint64_t offset) {
    const Dirty& d = dirty_.at(offset);
    const int level = order.top_down ? -d.level : d.level;
    const int role = d.role == Role::kFreed                            ? 2
                     : (d.role == Role::kNew) == order.new_pages_first ? 0
                                                                       : 1;
    return std::make_pair(level, role);
  };
  std::stable_sort(pages.begin(), pages.end(),
                   [&](uint64_t a, uint64_t b) { return rank(a) < rank(b); });
  std::vector<WriteCall> out;
  if (head_changed_ && order.header_first) out.push_back(header_write(file));
  for (uint64_t offset : pages) out.push_back({file, offset, bytes_of(dirty_.at(offset)), false});
  if (head_changed_ && !order.header_first) out.push_back(header_write(file));
  return out;
}

std::vector<WriteCall> TagEdit::writes(const std::string& file,
                                       const std::vector<uint64_t>& first) const {
  std::vector<WriteCall> out;
  std::set<uint64_t> done;
  for (uint64_t offset : first) {
    if (!done.insert(offset).second) continue;
    if (offset == tag_.header) {
      if (head_changed_) out.push_back(header_write(file));
    } else if (dirty_.count(offset) != 0) {
      out.push_back({file, offset, bytes_of(dirty_.at(offset)), false});
    }
  }
  for (const WriteCall& w : writes(file, WriteOrder{})) {
    const bool header = w.offset == tag_.header && w.bytes.size() == kHeadWritten;
    if (done.count(w.offset) == 0 || (header && done.count(tag_.header) == 0)) out.push_back(w);
  }
  return out;
}

}  // namespace kx::test
