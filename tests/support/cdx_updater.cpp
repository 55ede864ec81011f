#include "support/cdx_updater.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "tablewriter/cdx_pages.h"

namespace kx::test {
namespace {

namespace cdx_pages = writer::cdx_pages;

using cdx_pages::Entry;
using cdx_pages::kNone;
using cdx_pages::kPage;
using cdx_pages::Page;

constexpr size_t kMaxDepth = 32;
constexpr uint16_t kDirectoryKeyLength = 10;

std::string tag_key(std::string_view name) {
  std::string key;
  for (char c : name.substr(0, kDirectoryKeyLength)) {
    key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  key.resize(kDirectoryKeyLength, ' ');
  return key;
}

// One insert into one tag: the path from the root to the leaf, changed in
// memory, then written back from the leaf upwards.
class Insertion {
 public:
  Insertion(PageStore* store, uint64_t header, CdxUpdateStats* stats, std::string* error)
      : store_(store), header_(header), stats_(stats), error_(error) {}

  bool read_header() {
    if (!store_->read(header_, 16, &head_)) return fail("cannot read the tag header");
    key_length_ =
        static_cast<uint16_t>(cdx_pages::get_le32(head_, cdx_pages::kKeyLengthField) & 0xFFFF);
    if (key_length_ < 1 || key_length_ > 240) return fail("tag header has a bad key length");
    return true;
  }
  uint16_t key_length() const { return key_length_; }

  // Reads the path to the leaf where (key, recno) belongs.
  bool descend(const Entry& entry, char fill) {
    fill_ = fill;
    uint64_t at = cdx_pages::get_le32(head_, cdx_pages::kRootField);
    for (;;) {
      if (path_.size() == kMaxDepth) return fail("tree deeper than the writer allows");
      Page page;
      if (!read_page(at, &page)) return false;
      path_.push_back(page);
      if (page.leaf()) return true;
      const auto it =
          std::lower_bound(page.entries.begin(), page.entries.end(), entry, cdx_pages::entry_less);
      const size_t slot = it == page.entries.end() ? page.entries.size() - 1
                                                   : static_cast<size_t>(it - page.entries.begin());
      slots_.push_back(slot);
      at = page.entries[slot].child;
    }
  }

  bool insert(const Entry& entry) {
    std::vector<Entry>& leaf = path_.back().entries;
    leaf.insert(std::upper_bound(leaf.begin(), leaf.end(), entry, cdx_pages::entry_less), entry);
    uint32_t root = cdx_pages::get_le32(head_, cdx_pages::kRootField);
    if (!store_level(path_.size() - 1, &root)) return false;
    // The header last: a reader that sees the new counter sees every page.
    cdx_pages::set_le32(&head_, cdx_pages::kRootField, root);
    cdx_pages::set_be32(&head_, cdx_pages::kCounterField,
                        cdx_pages::get_be32(head_, cdx_pages::kCounterField) + 1);
    if (!store_->write(header_, head_.substr(0, 12))) return fail("cannot write the tag header");
    ++stats_->inserts;
    return true;
  }

  size_t depth() const { return path_.size(); }

 private:
  bool fail(const std::string& what) {
    *error_ = "tag header " + std::to_string(header_) + ": " + what;
    return false;
  }

  bool read_page(uint64_t at, Page* page) {
    std::string bytes;
    if (at % kPage != 0 || !store_->read(at, kPage, &bytes))
      return fail("cannot read page " + std::to_string(at));
    std::string why;
    if (!cdx_pages::decode_page(bytes, at, key_length_, fill_, page, &why)) {
      return fail("page " + std::to_string(at) + ": " + why);
    }
    return true;
  }

  bool write_page(const Page& page) {
    std::string bytes;
    if (!cdx_pages::encode_page(page, key_length_, fill_, &bytes))
      return fail("entries do not fit a page");
    if (!store_->write(page.offset, bytes))
      return fail("cannot write page " + std::to_string(page.offset));
    return true;
  }

  bool allocate(uint64_t* at) {
    uint64_t size = 0;
    if (!store_->size(&size)) return fail("cannot read the file size");
    *at = (size + kPage - 1) / kPage * kPage;
    return true;
  }

  // Writes path_[level] (changed in memory), splitting it when it overflows,
  // and carries the change into the levels above.
  bool store_level(size_t level, uint32_t* root) {
    Page& node = path_[level];
    std::string bytes;
    if (cdx_pages::encode_page(node, key_length_, fill_, &bytes)) {
      if (!store_->write(node.offset, bytes))
        return fail("cannot write page " + std::to_string(node.offset));
      return level == 0 || raise_separator(level, root);
    }
    Page upper;
    if (!split(&node, &upper)) return false;
    ++stats_->splits;
    if (level == 0) return grow_root(node, upper, root);
    Page& parent = path_[level - 1];
    const size_t slot = slots_[level - 1];
    parent.entries[slot] = separator(node);
    parent.entries.insert(parent.entries.begin() + static_cast<std::ptrdiff_t>(slot) + 1,
                          separator(upper));
    return store_level(level - 1, root);
  }

  // The parent's separator for path_[level] must be its greatest entry.
  bool raise_separator(size_t level, uint32_t* root) {
    Entry& slot = path_[level - 1].entries[slots_[level - 1]];
    const Entry greatest = separator(path_[level]);
    if (slot.key == greatest.key && slot.recno == greatest.recno) return true;
    slot = greatest;
    return store_level(level - 1, root);
  }

  static Entry separator(const Page& page) {
    return Entry{page.entries.back().key, page.entries.back().recno,
                 static_cast<uint32_t>(page.offset)};
  }

  // Moves the upper half of node to a new page: the new page first, then
  // the node, then the old right neighbour's left link.
  bool split(Page* node, Page* upper) {
    const size_t n = node->entries.size();
    size_t cut = n / 2;
    Page lower = *node;
    upper->attributes = static_cast<uint16_t>(node->attributes & ~cdx_pages::kRootBit);
    lower.attributes = upper->attributes;
    for (size_t tries = 0; tries < n; ++tries, cut = (cut + 1) % n) {
      if (cut == 0) continue;
      lower.entries.assign(node->entries.begin(),
                           node->entries.begin() + static_cast<std::ptrdiff_t>(cut));
      upper->entries.assign(node->entries.begin() + static_cast<std::ptrdiff_t>(cut),
                            node->entries.end());
      std::string a, b;
      if (cdx_pages::encode_page(lower, key_length_, fill_, &a) &&
          cdx_pages::encode_page(*upper, key_length_, fill_, &b)) {
        break;
      }
      upper->entries.clear();
    }
    if (upper->entries.empty()) return fail("node cannot be split");
    if (!allocate(&upper->offset)) return false;
    upper->left = static_cast<uint32_t>(node->offset);
    upper->right = node->right;
    lower.right = static_cast<uint32_t>(upper->offset);
    *node = lower;
    if (!write_page(*upper) || !write_page(*node)) return false;
    if (upper->right == kNone) return true;
    std::string neighbour;
    if (!store_->read(upper->right, kPage, &neighbour))
      return fail("cannot read the right neighbour");
    cdx_pages::set_le32(&neighbour, 4, static_cast<uint32_t>(upper->offset));
    if (!store_->write(upper->right, neighbour)) return fail("cannot write the right neighbour");
    return true;
  }

  bool grow_root(const Page& lower, const Page& upper, uint32_t* root) {
    Page top;
    if (!allocate(&top.offset)) return false;
    top.attributes = cdx_pages::kRootBit;
    top.entries = {separator(lower), separator(upper)};
    if (!write_page(top)) return false;
    *root = static_cast<uint32_t>(top.offset);
    ++stats_->new_roots;
    return true;
  }

  PageStore* const store_;
  const uint64_t header_;
  CdxUpdateStats* const stats_;
  std::string* const error_;
  std::string head_;  // the header's first 16 bytes: root, free list, counter, key length, ...
  uint16_t key_length_ = 0;
  char fill_ = ' ';
  std::vector<Page> path_;     // root first
  std::vector<size_t> slots_;  // slots_[i]: the entry of path_[i] that leads to path_[i + 1]
};

}  // namespace

bool CdxUpdater::find_tag(std::string_view tag, uint64_t* header, std::string* error) {
  if (tags_.empty()) {
    std::string root_field;
    if (!store_->read(0, 4, &root_field)) {
      *error = "cannot read the directory header";
      return false;
    }
    uint64_t at = cdx_pages::get_le32(root_field, 0);
    for (size_t pages = 0; at != kNone && pages < 1024; ++pages) {
      std::string bytes;
      Page page;
      if (!store_->read(at, kPage, &bytes) ||
          !cdx_pages::decode_page(bytes, at, kDirectoryKeyLength, ' ', &page, error)) {
        *error = "cannot read the directory page " + std::to_string(at);
        return false;
      }
      if (!page.leaf()) {
        at = page.entries.front().child;
        continue;
      }
      for (const Entry& e : page.entries) tags_[e.key] = e.recno;
      at = page.right;
    }
  }
  const auto it = tags_.find(tag_key(tag));
  if (it == tags_.end()) {
    *error = "no tag " + std::string(tag);
    return false;
  }
  *header = it->second;
  return true;
}

bool CdxUpdater::insert(std::string_view tag, std::string_view key, uint32_t recno, char fill,
                        std::string* error) {
  uint64_t header = 0;
  if (!find_tag(tag, &header, error)) return false;
  Insertion insertion(store_, header, &stats_, error);
  if (!insertion.read_header()) return false;
  Entry entry{std::string(key.substr(0, insertion.key_length())), recno, 0};
  entry.key.resize(insertion.key_length(), fill);
  return insertion.descend(entry, fill) && insertion.insert(entry);
}

bool CdxUpdater::depth(std::string_view tag, size_t* depth, std::string* error) {
  uint64_t header = 0;
  if (!find_tag(tag, &header, error)) return false;
  Insertion insertion(store_, header, &stats_, error);
  if (!insertion.read_header() || !insertion.descend(Entry{}, ' ')) return false;
  *depth = insertion.depth();
  return true;
}

}  // namespace kx::test
