#include "tables/cdx/node.h"

#include <algorithm>
#include <cstring>

#include "runtime/text/ascii.h"
#include "tables/bytes.h"
#include "tables/cdx/key_bytes.h"
#include "tables/cdx/node_memo.h"

namespace kx::tables::cdx {

std::string hex(uint64_t value) { return "0x" + hex_digits(value); }

bool pointer_ok(uint64_t pointer, uint64_t file_size) {
  return pointer % kPageSize == 0 && pointer >= kHeaderSize &&
         range_inside(pointer, kPageSize, file_size);
}

Status check_pointer(const std::string& file, std::string_view where, std::string_view what,
                     uint64_t pointer, uint64_t file_size) {
  const char* problem = nullptr;
  if (pointer % kPageSize != 0) {
    problem = " is not on a page boundary";
  } else if (pointer < kHeaderSize) {
    problem = " points into the directory header";
  } else if (!range_inside(pointer, kPageSize, file_size)) {
    return Status::corruption(file, std::string(where) + ": " + std::string(what) + " " +
                                        hex(pointer) + " lies outside the file (" + hex(file_size) +
                                        " bytes)");
  }
  if (problem == nullptr) return Status();
  return Status::corruption(
      file, std::string(where) + ": " + std::string(what) + " " + hex(pointer) + problem);
}

bool Node::all_zero() const {
  return std::all_of(page_.begin(), page_.begin() + kPageSize, [](uint8_t b) { return b == 0; });
}

Status Node::damaged(const std::string& file, const std::string& what) const {
  return Status::corruption(file, "page " + hex(offset_) + ": " + what);
}

// The entry array lies inside the page (count was checked against the room),
// and page_ has slack past its end, so an 8-byte load never leaves it.
uint64_t Node::entry(size_t i) const {
  const uint64_t v = decode_le64(page_.data() + kLeafEntries + i * layout_.entry_size);
  return layout_.entry_size == 8 ? v : v & ((uint64_t{1} << (8 * layout_.entry_size)) - 1);
}

const uint8_t* Node::interior_entry(size_t i) const {
  return page_.data() + kNodeHeaderSize + i * (key_length_ + kInteriorEntryExtra);
}

std::string_view Node::key(size_t i) const {
  if (is_leaf()) return std::string_view(keys_.data() + i * key_length_, key_length_);
  return std::string_view(reinterpret_cast<const char*>(interior_entry(i)), key_length_);
}

uint32_t Node::recno(size_t i) const {
  if (is_leaf()) return static_cast<uint32_t>(entry(i) & layout_.recno_mask);
  return decode_be32(interior_entry(i) + key_length_);
}

uint32_t Node::child(size_t i) const { return decode_be32(interior_entry(i) + key_length_ + 4); }

uint8_t Node::dup(size_t i) const { return dups_[i]; }

uint8_t Node::trail(size_t i) const {
  return static_cast<uint8_t>((entry(i) >> (layout_.recno_bits + layout_.dup_bits)) &
                              layout_.trail_mask);
}

Status Node::check(const std::string& file) {
  const uint8_t* page = page_.data();
  attributes_ = decode_le16(page + kNodeAttributes);
  count_ = decode_le16(page + kNodeCount);
  left_ = decode_le32(page + kNodeLeft);
  right_ = decode_le32(page + kNodeRight);
  decoded_ = 0;
  key_end_ = kPageSize;
  if ((attributes_ & ~kAttrKnownBits) != 0) {
    return damaged(file, "attributes " + hex(attributes_) + " are not those of a node");
  }
  return is_leaf() ? check_leaf(file) : check_interior(file);
}

Status Node::check_interior(const std::string& file) {
  const size_t entry_size = key_length_ + kInteriorEntryExtra;
  const size_t room = kInteriorRoom / entry_size;
  if (count_ == 0) return damaged(file, "interior node has no entries");
  if (count_ > room) {
    return damaged(
        file, "key count " + std::to_string(count_) + " exceeds room for " + std::to_string(room));
  }
  for (size_t i = 1; i < count_; ++i) {
    if (compare_in_page(interior_entry(i - 1), interior_entry(i), key_length_) > 0) {
      return damaged(file, "entry " + std::to_string(i) + ": key out of order");
    }
  }
  decoded_ = count_;
  return Status();
}

Status Node::check_leaf(const std::string& file) {
  const uint8_t* page = page_.data();
  LeafLayout& l = layout_;
  l.entry_size = page[kLeafEntrySize];
  l.recno_bits = page[kLeafRecnoBits];
  l.dup_bits = page[kLeafDupBits];
  l.trail_bits = page[kLeafTrailBits];
  l.recno_mask = decode_le32(page + kLeafRecnoMask);
  l.dup_mask = page[kLeafDupMask];
  l.trail_mask = page[kLeafTrailMask];
  if (l.entry_size < 1 || l.entry_size > 8) {
    return damaged(file, "entry size " + std::to_string(l.entry_size) + " out of range 1 to 8");
  }
  if (l.recno_bits > 32 || l.dup_bits > 8 || l.trail_bits > 8 ||
      l.recno_bits + l.dup_bits + l.trail_bits > 8 * l.entry_size) {
    return damaged(file, "bit layout " + std::to_string(l.recno_bits) + "/" +
                             std::to_string(l.dup_bits) + "/" + std::to_string(l.trail_bits) +
                             " does not fit " + std::to_string(l.entry_size) + "-byte entries");
  }
  const uint32_t recno_mask = l.recno_bits == 32 ? 0xFFFFFFFFu : (1u << l.recno_bits) - 1;
  if (l.recno_mask != recno_mask || l.dup_mask != (1u << l.dup_bits) - 1 ||
      l.trail_mask != (1u << l.trail_bits) - 1) {
    return damaged(file, "masks do not match the bit layout");
  }
  const size_t room = kLeafRoom / l.entry_size;
  if (count_ > room) {
    return damaged(
        file, "key count " + std::to_string(count_) + " exceeds room for " + std::to_string(room));
  }
  // Bounded by the room: at most 488 keys of 240 bytes, and slack for the
  // word copies.
  const size_t need = count_ * key_length_ + kSlack;
  if (keys_.size() < need) keys_.resize(need);
  entries_end_ = kLeafEntries + count_ * l.entry_size;
  free_bytes_ = decode_le16(page + kLeafFree);
  std::memset(&fill_word_, fill_, sizeof fill_word_);
  return Status();
}

// The state of rebuilding a leaf's keys, copied into locals: the keys are
// written through char pointers, which may alias any member, so a loop over
// the members themselves would reload each of them after every write.
struct Node::Rebuild {
  explicit Rebuild(Node* node)
      : node_(node),
        page_(reinterpret_cast<const char*>(node->page_.data())),
        entries_(node->page_.data() + kLeafEntries),
        keys_(node->keys_.data()),
        dups_(node->dups_.data()),
        entry_size_(node->layout_.entry_size),
        entry_mask_(entry_size_ == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * entry_size_)) - 1),
        dup_shift_(node->layout_.recno_bits),
        trail_shift_(node->layout_.recno_bits + node->layout_.dup_bits),
        dup_mask_(node->layout_.dup_mask),
        trail_mask_(node->layout_.trail_mask),
        key_length_(node->key_length_),
        entries_end_(node->entries_end_),
        free_bytes_(node->free_bytes_),
        count_(node->count_),
        fill_word_(node->fill_word_),
        key_end_(node->key_end_),
        decoded_(node->decoded_) {}
  ~Rebuild() { save(); }
  Rebuild(const Rebuild&) = delete;
  Rebuild& operator=(const Rebuild&) = delete;

  size_t decoded() const { return decoded_; }
  const char* key(size_t i) const { return keys_ + i * key_length_; }
  size_t dup(size_t i) const { return dups_[i]; }
  void save() {
    node_->key_end_ = key_end_;
    node_->decoded_ = decoded_;
  }

  // Rebuilds entry decoded() and moves past it; on damage stays where it is
  // and returns what is wrong.
  Problem next() {
    const size_t n = decoded_;
    const size_t kl = key_length_;
    const uint64_t v = decode_le64(entries_ + n * entry_size_) & entry_mask_;
    const size_t dup = (v >> dup_shift_) & dup_mask_;
    const size_t trail = (v >> trail_shift_) & trail_mask_;
    if (dup + trail > kl) return Problem::kCounts;
    if (n == 0 && dup != 0) return Problem::kFirstShares;
    const size_t stored = kl - dup - trail;
    if (stored > key_end_ - entries_end_) return Problem::kIntoEntries;
    char* key = keys_ + n * kl;
    const char* stored_bytes = page_ + key_end_ - stored;
    if (kl <= 16) {
      build_key<2>(key, kl, dup, stored_bytes, stored, fill_word_);
    } else if (kl <= 32) {
      build_key<4>(key, kl, dup, stored_bytes, stored, fill_word_);
    } else {
      build_key<0>(key, kl, dup, stored_bytes, stored, fill_word_);
    }
    if (n > 0 && !ordered(key - kl, key, dup, kl)) return Problem::kOrder;
    // With every entry rebuilt, the gap left must be the one the leaf
    // states: a key count lowered by damage would otherwise hide keys.
    if (n + 1 == count_ && key_end_ - stored - entries_end_ != free_bytes_) {
      return Problem::kFreeBytes;
    }
    key_end_ -= stored;
    dups_[n] = static_cast<uint8_t>(dup);
    ++decoded_;
    return Problem::kNone;
  }

 private:
  Node* const node_;
  const char* const page_;
  const uint8_t* const entries_;
  char* const keys_;
  uint8_t* const dups_;
  const size_t entry_size_;
  const uint64_t entry_mask_;
  const unsigned dup_shift_, trail_shift_;
  const size_t dup_mask_, trail_mask_;
  const size_t key_length_;
  const size_t entries_end_;
  const size_t free_bytes_;
  const size_t count_;
  const uint64_t fill_word_;
  size_t key_end_;
  size_t decoded_;
};

Status Node::problem_status(const std::string& file, Problem problem) const {
  const uint64_t v = entry(decoded_);
  const size_t dup = (v >> layout_.recno_bits) & layout_.dup_mask;
  const size_t trail = (v >> (layout_.recno_bits + layout_.dup_bits)) & layout_.trail_mask;
  const std::string where = "entry " + std::to_string(decoded_) + ": ";
  switch (problem) {
    case Problem::kCounts:
      return damaged(file, where + "duplicate count " + std::to_string(dup) +
                               " and trailing count " + std::to_string(trail) +
                               " exceed key length " + std::to_string(key_length_));
    case Problem::kFirstShares:
      return damaged(file, where + "first key shares bytes with no previous key");
    case Problem::kIntoEntries:
      return damaged(file, where + "key bytes run into the entry array");
    case Problem::kOrder:
      return damaged(file, where + "key out of order");
    case Problem::kFreeBytes:
      return damaged(file,
                     "stated free bytes " + std::to_string(free_bytes_) + ", entries leave " +
                         std::to_string(key_end_ - (key_length_ - dup - trail) - entries_end_));
    case Problem::kNone:
      break;
  }
  return Status();
}

Status Node::decode_through(const std::string& file, size_t i) {
  Problem problem = Problem::kNone;
  {
    Rebuild rebuild(this);
    while (rebuild.decoded() <= i && rebuild.decoded() < count_) {
      problem = rebuild.next();
      if (problem != Problem::kNone) break;
    }
  }
  return problem == Problem::kNone ? Status() : problem_status(file, problem);
}

Status Node::decode_all(const std::string& file) {
  return count_ == 0 ? Status() : decode_through(file, count_ - 1);
}

size_t Node::find_in_interior(std::string_view prefix, bool after) const {
  const auto* wanted = reinterpret_cast<const uint8_t*>(prefix.data());
  size_t low = 0, high = count_;
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    const int c = compare_bytes(interior_entry(mid), wanted, prefix.size());
    if (after ? c > 0 : c >= 0) {
      high = mid;
    } else {
      low = mid + 1;
    }
  }
  return low;
}

// The first of the keys rebuilt so far that is at or (after) past prefix;
// decoded_ when none is.
size_t Node::find_in_decoded(std::string_view prefix, bool after) const {
  auto qualifies = [&](size_t i) {
    const int c = std::memcmp(keys_.data() + i * key_length_, prefix.data(), prefix.size());
    return after ? c > 0 : c >= 0;
  };
  size_t low = 0, high = decoded_;
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    if (qualifies(middle)) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return low;
}

// Leaf keys come in order, so a scan that keeps how many bytes the last key
// shared with the prefix need not compare again what the next key shares
// with that one. The scan rebuilds keys from start on; match is what the key
// before start shares with the prefix.
Status Node::scan_leaf(const std::string& file, std::string_view prefix, bool after, size_t start,
                       size_t match, size_t* pos) {
  const size_t p = prefix.size();
  Problem problem = Problem::kNone;
  size_t found = count_;
  {
    // Saved when the scope ends, before a problem is described.
    Rebuild rebuild(this);
    for (size_t n = start; n < count_; ++n) {
      if (n >= rebuild.decoded()) {
        problem = rebuild.next();
        if (problem != Problem::kNone) break;
      }
      const char* k = rebuild.key(n);
      size_t j = n == 0 ? 0 : std::min(rebuild.dup(n), match);
      while (j < p && k[j] == prefix[j]) ++j;
      if (j == p ? !after
                 : static_cast<unsigned char>(k[j]) > static_cast<unsigned char>(prefix[j])) {
        found = n;
        break;
      }
      match = j;
    }
  }
  if (problem != Problem::kNone) return problem_status(file, problem);
  *pos = found;
  return Status();
}

// Keys rebuilt by an earlier seek are searched by bisection; the scan goes on
// from the first key not yet rebuilt.
Status Node::find(const std::string& file, std::string_view prefix, bool after, size_t* pos) {
  prefix = prefix.substr(0, key_length_);
  if (!is_leaf()) {
    *pos = find_in_interior(prefix, after);
    return Status();
  }
  size_t match = 0;
  if (decoded_ > 0) {
    const size_t at = find_in_decoded(prefix, after);
    if (at < decoded_) {
      *pos = at;
      return Status();
    }
    const char* last = keys_.data() + (decoded_ - 1) * key_length_;
    while (match < prefix.size() && last[match] == prefix[match]) ++match;
  }
  return scan_leaf(file, prefix, after, decoded_, match, pos);
}

void Node::assign(const Node& other) {
  offset_ = other.offset_;
  source_version_ = other.source_version_;
  attributes_ = other.attributes_;
  left_ = other.left_;
  right_ = other.right_;
  count_ = other.count_;
  key_length_ = other.key_length_;
  page_ = other.page_;
  fill_ = other.fill_;
  layout_ = other.layout_;
  decoded_ = other.decoded_;
  key_end_ = other.key_end_;
  entries_end_ = other.entries_end_;
  free_bytes_ = other.free_bytes_;
  fill_word_ = other.fill_word_;
  if (!other.is_leaf()) return;
  if (keys_.size() < other.keys_.size()) keys_.resize(other.keys_.size());
  std::memcpy(keys_.data(), other.keys_.data(), decoded_ * key_length_);
  std::memcpy(dups_.data(), other.dups_.data(), decoded_);
}

bool Node::same_source(const Node& other) const {
  return offset_ == other.offset_ && key_length_ == other.key_length_ && fill_ == other.fill_ &&
         std::memcmp(page_.data(), other.page_.data(), kPageSize) == 0;
}

Status read_node_header(PagedFile* file, uint64_t offset, uint16_t key_length, char fill,
                        Node* node, PagedFile::Freshness freshness, size_t ahead, NodeMemo* memo) {
  // A page held unchanged since the memo's node was made from it needs no
  // copying or comparing.
  if (memo != nullptr && freshness == PagedFile::Freshness::kKept &&
      memo->take_unchanged(offset, key_length, fill, file->version_of(offset), node)) {
    return Status();
  }
  Status s = file->read(offset, kPageSize, node->page_.data(), freshness, ahead);
  if (!s.ok()) return s;
  node->offset_ = offset;
  node->source_version_ = memo != nullptr ? file->version_of(offset) : 0;
  node->key_length_ = key_length;
  node->fill_ = fill;
  if (memo != nullptr && memo->take(node)) return Status();
  s = node->check(file->name());
  // A leaf is kept once its keys are rebuilt: that is what a memo saves.
  if (s.ok() && memo != nullptr && !node->is_leaf()) memo->keep(*node);
  return s;
}

Status read_node(PagedFile* file, uint64_t offset, uint16_t key_length, char fill, Node* node) {
  Status s = read_node_header(file, offset, key_length, fill, node);
  if (!s.ok()) return s;
  return node->decode_all(file->name());
}

Status decode_node(const std::string& file, uint64_t offset, const uint8_t* page,
                   uint16_t key_length, char fill, Node* node) {
  std::memcpy(node->page_.data(), page, kPageSize);
  node->offset_ = offset;
  node->key_length_ = key_length;
  node->fill_ = fill;
  Status s = node->check(file);
  if (!s.ok()) return s;
  return node->decode_all(file);
}

}  // namespace kx::tables::cdx
