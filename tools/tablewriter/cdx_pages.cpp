#include "tablewriter/cdx_pages.h"

#include <algorithm>
#include <cstring>

namespace kx::writer::cdx_pages {
namespace {

constexpr size_t kLeafHead = 24;
constexpr size_t kNodeHead = 12;

uint16_t get_le16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                               (static_cast<uint8_t>(bytes[at + 1]) << 8));
}
void set_le16(std::string* bytes, size_t at, uint32_t v) {
  (*bytes)[at] = static_cast<char>(v & 0xFF);
  (*bytes)[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

// Shared prefix with the previous key, counted against that key with its
// trailing fill removed.
size_t dup_count(const std::string& prev, const std::string& cur, char fill) {
  const size_t limit = std::min(trimmed_length(prev, fill), trimmed_length(cur, fill));
  size_t n = 0;
  while (n < limit && prev[n] == cur[n]) ++n;
  return n;
}

bool decode_leaf(const std::string& bytes, size_t count, uint16_t kl, char fill, Page* page,
                 std::string* error) {
  const size_t entry_size = static_cast<uint8_t>(bytes[23]);
  const unsigned r_bits = static_cast<uint8_t>(bytes[20]);
  const unsigned d_bits = static_cast<uint8_t>(bytes[21]);
  if (entry_size < 1 || entry_size > 8 || r_bits > 32 || kLeafHead + count * entry_size > kPage) {
    *error = "leaf layout not understood";
    return false;
  }
  const uint64_t recno_mask = r_bits == 32 ? 0xFFFFFFFFull : (1ull << r_bits) - 1;
  const uint64_t dup_mask = static_cast<uint8_t>(bytes[18]);
  const uint64_t trail_mask = static_cast<uint8_t>(bytes[19]);
  size_t key_end = kPage;
  std::string prev;
  for (size_t i = 0; i < count; ++i) {
    uint64_t v = 0;
    for (size_t k = 0; k < entry_size; ++k) {
      v |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[kLeafHead + i * entry_size + k]))
           << (8 * k);
    }
    const size_t dup = (v >> r_bits) & dup_mask;
    const size_t trail = (v >> (r_bits + d_bits)) & trail_mask;
    if (dup + trail > kl || dup > prev.size() || kl - dup - trail > key_end - kLeafHead) {
      *error = "leaf entry " + std::to_string(i) + " not understood";
      return false;
    }
    const size_t stored = kl - dup - trail;
    key_end -= stored;
    std::string key =
        prev.substr(0, dup) + bytes.substr(key_end, stored) + std::string(trail, fill);
    page->entries.push_back(Entry{key, static_cast<uint32_t>(v & recno_mask), 0});
    prev = std::move(key);
  }
  return true;
}

bool encode_leaf(const Page& page, uint16_t kl, char fill, std::string* bytes) {
  uint32_t max_recno = 0;
  for (const Entry& e : page.entries) max_recno = std::max(max_recno, e.recno);
  const unsigned dup_bits = bit_length(kl);
  const size_t entry_size = std::max<size_t>(1, (bit_length(max_recno) + 2 * dup_bits + 7) / 8);
  const unsigned r_bits =
      std::min<unsigned>(32, static_cast<unsigned>(8 * entry_size) - 2 * dup_bits);
  size_t key_end = kPage;
  const size_t entries_end = kLeafHead + page.entries.size() * entry_size;
  if (entries_end > kPage) return false;
  for (size_t i = 0; i < page.entries.size(); ++i) {
    const std::string& key = page.entries[i].key;
    const size_t dup = i == 0 ? 0 : dup_count(page.entries[i - 1].key, key, fill);
    const size_t kept = trimmed_length(key, fill);
    if (kept - dup > key_end - entries_end) return false;
    const uint64_t v = page.entries[i].recno | (static_cast<uint64_t>(dup) << r_bits) |
                       (static_cast<uint64_t>(kl - kept) << (r_bits + dup_bits));
    for (size_t k = 0; k < entry_size; ++k) {
      (*bytes)[kLeafHead + i * entry_size + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
    }
    key_end -= kept - dup;
    std::memcpy(&(*bytes)[key_end], key.data() + dup, kept - dup);
  }
  set_le16(bytes, 12, static_cast<uint32_t>(key_end - entries_end));
  set_le32(bytes, 14, r_bits == 32 ? 0xFFFFFFFFu : (1u << r_bits) - 1);
  (*bytes)[18] = (*bytes)[19] = static_cast<char>((1u << dup_bits) - 1);
  (*bytes)[20] = static_cast<char>(r_bits);
  (*bytes)[21] = (*bytes)[22] = static_cast<char>(dup_bits);
  (*bytes)[23] = static_cast<char>(entry_size);
  return true;
}

}  // namespace

unsigned bit_length(uint64_t v) {
  unsigned bits = 0;
  for (; v != 0; v >>= 1) ++bits;
  return bits;
}

size_t trimmed_length(const std::string& key, char fill) {
  size_t n = key.size();
  while (n > 0 && key[n - 1] == fill) --n;
  return n;
}

bool entry_less(const Entry& a, const Entry& b) {
  const int c = a.key.compare(b.key);
  return c != 0 ? c < 0 : a.recno < b.recno;
}

bool decode_page(const std::string& bytes, uint64_t offset, uint16_t key_length, char fill,
                 Page* page, std::string* error) {
  page->offset = offset;
  page->attributes = get_le16(bytes, 0);
  page->left = get_le32(bytes, 4);
  page->right = get_le32(bytes, 8);
  page->entries.clear();
  const size_t count = get_le16(bytes, 2);
  if (page->leaf()) return decode_leaf(bytes, count, key_length, fill, page, error);
  const size_t entry = key_length + 8u;
  if (count == 0 || kNodeHead + count * entry > kPage) {
    *error = "interior node with " + std::to_string(count) + " entries";
    return false;
  }
  for (size_t i = 0, at = kNodeHead; i < count; ++i, at += entry) {
    page->entries.push_back(Entry{bytes.substr(at, key_length), get_be32(bytes, at + key_length),
                                  get_be32(bytes, at + key_length + 4)});
  }
  return true;
}

bool encode_page(const Page& page, uint16_t key_length, char fill, std::string* bytes) {
  bytes->assign(kPage, '\0');
  set_le16(bytes, 0, page.attributes);
  set_le16(bytes, 2, static_cast<uint32_t>(page.entries.size()));
  set_le32(bytes, 4, page.left);
  set_le32(bytes, 8, page.right);
  if (page.leaf()) return encode_leaf(page, key_length, fill, bytes);
  const size_t entry = key_length + 8u;
  if (kNodeHead + page.entries.size() * entry > kPage) return false;
  for (size_t i = 0, at = kNodeHead; i < page.entries.size(); ++i, at += entry) {
    std::memcpy(&(*bytes)[at], page.entries[i].key.data(), key_length);
    set_be32(bytes, at + key_length, page.entries[i].recno);
    set_be32(bytes, at + key_length + 4, page.entries[i].child);
  }
  return true;
}

uint32_t get_le32(const std::string& bytes, size_t at) {
  return get_le16(bytes, at) | (static_cast<uint32_t>(get_le16(bytes, at + 2)) << 16);
}
uint32_t get_be32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
  return v;
}
void set_le32(std::string* bytes, size_t at, uint32_t v) {
  set_le16(bytes, at, v & 0xFFFF);
  set_le16(bytes, at + 2, v >> 16);
}
void set_be32(std::string* bytes, size_t at, uint32_t v) {
  for (int i = 3; i >= 0; --i, v >>= 8)
    (*bytes)[at + static_cast<size_t>(i)] = static_cast<char>(v & 0xFF);
}

}  // namespace kx::writer::cdx_pages
