#include "tablewriter/cdx_writer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>

#include "tablewriter/cdx_pages.h"

namespace kx::writer {
namespace {

using cdx_pages::bit_length;
using cdx_pages::trimmed_length;

constexpr size_t kPage = 512;
constexpr size_t kHeader = 1024;
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr size_t kLeafHead = 24;
constexpr size_t kInteriorHead = 12;

struct Item {
  std::string key;
  uint32_t recno = 0;
};

// A node of the tree being built: a range of items (leaf) or of nodes one
// level down (interior), and the item that is the greatest of its subtree.
struct Planned {
  size_t begin = 0, end = 0;
  size_t greatest = 0;
  uint64_t offset = 0;
};

struct TreeInput {
  std::vector<Item> items;  // sorted by (key, recno)
  uint16_t key_length = 10;
  char fill = ' ';
};

void put_le16(std::string& out, size_t at, uint32_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put_le32(std::string& out, size_t at, uint32_t v) {
  put_le16(out, at, v & 0xFFFF);
  put_le16(out, at + 2, v >> 16);
}
void put_be32(std::string& out, size_t at, uint32_t v) {
  for (int i = 3; i >= 0; --i, v >>= 8) out[at + i] = static_cast<char>(v & 0xFF);
}

// Per-leaf layout: the record-number field is as wide as the largest record
// number needs, the entry a whole number of bytes, and spare bits go to R.
struct LeafBits {
  unsigned recno = 0, dup = 0, trail = 0;
  size_t entry_size = 0;
};
LeafBits leaf_bits(uint32_t max_recno, uint16_t key_length) {
  LeafBits b;
  b.dup = b.trail = bit_length(key_length);
  b.entry_size = std::max<size_t>(1, (bit_length(max_recno) + b.dup + b.trail + 7) / 8);
  b.recno = std::min<unsigned>(32, static_cast<unsigned>(8 * b.entry_size) - b.dup - b.trail);
  return b;
}

// Shared-prefix count against the previous key with its trailing fill
// removed, as the point-of-sale application's files have it.
size_t dup_count(const Item& prev, const Item& cur, char fill) {
  const size_t limit = std::min(trimmed_length(prev.key, fill), trimmed_length(cur.key, fill));
  size_t n = 0;
  while (n < limit && prev.key[n] == cur.key[n]) ++n;
  return n;
}

class TreeBuilder {
 public:
  TreeBuilder(const TreeInput& in, const CdxWriteOptions& options) : in_(in), options_(options) {}

  // Plans the nodes; their count is pages().
  void plan() {
    levels_.push_back(plan_leaves());
    while (levels_.back().size() > 1) levels_.push_back(plan_interior(levels_.back()));
  }
  size_t pages() const {
    size_t n = 0;
    for (const auto& level : levels_) n += level.size();
    return n;
  }
  // Places the nodes from base on and writes them into out.
  void write(std::string& out, uint64_t base, CdxTreeLayout* layout) {
    uint64_t next = base;
    for (auto& level : levels_) {
      for (Planned& node : level) node.offset = next, next += kPage;
    }
    for (size_t l = 0; l < levels_.size(); ++l) {
      for (size_t i = 0; i < levels_[l].size(); ++i) {
        l == 0 ? write_leaf(out, l, i) : write_interior(out, l, i);
      }
    }
    if (layout) {
      layout->levels.clear();
      for (const auto& level : levels_) {
        layout->levels.emplace_back();
        for (const Planned& node : level) layout->levels.back().push_back(node.offset);
      }
    }
  }
  uint64_t root() const { return levels_.back().front().offset; }

 private:
  std::vector<Planned> plan_leaves() {
    std::vector<Planned> leaves;
    const auto& items = in_.items;
    size_t i = 0;
    do {
      Planned leaf{i, i, i, 0};
      uint32_t max_recno = 0;
      size_t stored = 0;
      while (i < items.size()) {
        if (options_.max_leaf_entries && leaf.end - leaf.begin == options_.max_leaf_entries) break;
        const size_t dup = i == leaf.begin ? 0 : dup_count(items[i - 1], items[i], in_.fill);
        const size_t add = trimmed_length(items[i].key, in_.fill) - dup;
        const uint32_t recno = std::max(max_recno, items[i].recno);
        const size_t n = leaf.end - leaf.begin + 1;
        if (kLeafHead + leaf_bits(recno, in_.key_length).entry_size * n + stored + add > kPage)
          break;
        max_recno = recno;
        stored += add;
        leaf.end = ++i;
      }
      leaf.greatest = leaf.end == 0 ? 0 : leaf.end - 1;
      leaves.push_back(leaf);
    } while (i < items.size());
    return leaves;
  }

  std::vector<Planned> plan_interior(const std::vector<Planned>& below) {
    size_t fan_out = (kPage - kInteriorHead) / (in_.key_length + 8);
    if (options_.max_interior_entries) {
      fan_out = std::min(fan_out, std::max<size_t>(2, options_.max_interior_entries));
    }
    std::vector<Planned> nodes;
    for (size_t i = 0; i < below.size(); i += fan_out) {
      const size_t end = std::min(below.size(), i + fan_out);
      nodes.push_back(Planned{i, end, below[end - 1].greatest, 0});
    }
    return nodes;
  }

  void write_node_head(std::string& out, size_t level, size_t i, bool leaf, size_t count) {
    const auto& nodes = levels_[level];
    const uint64_t at = nodes[i].offset;
    const bool root = level + 1 == levels_.size();
    put_le16(out, at, (root ? 1 : 0) | (leaf ? 2 : 0));
    put_le16(out, at + 2, static_cast<uint32_t>(count));
    put_le32(out, at + 4, i == 0 ? kNone : static_cast<uint32_t>(nodes[i - 1].offset));
    put_le32(out, at + 8,
             i + 1 == nodes.size() ? kNone : static_cast<uint32_t>(nodes[i + 1].offset));
  }

  void write_leaf(std::string& out, size_t level, size_t i) {
    const Planned& node = levels_[level][i];
    const auto& items = in_.items;
    const size_t kl = in_.key_length;
    const size_t at = node.offset;
    uint32_t max_recno = 0;
    for (size_t j = node.begin; j < node.end; ++j) max_recno = std::max(max_recno, items[j].recno);
    const LeafBits b = leaf_bits(max_recno, in_.key_length);
    write_node_head(out, level, i, true, node.end - node.begin);
    size_t key_end = kPage;
    for (size_t j = node.begin; j < node.end; ++j) {
      const size_t dup = j == node.begin ? 0 : dup_count(items[j - 1], items[j], in_.fill);
      const size_t kept = trimmed_length(items[j].key, in_.fill);
      const uint64_t trail = kl - kept;
      const uint64_t v =
          items[j].recno | (static_cast<uint64_t>(dup) << b.recno) | (trail << (b.recno + b.dup));
      for (size_t k = 0; k < b.entry_size; ++k) {
        out[at + kLeafHead + (j - node.begin) * b.entry_size + k] =
            static_cast<char>((v >> (8 * k)) & 0xFF);
      }
      key_end -= kept - dup;
      std::memcpy(&out[at + key_end], items[j].key.data() + dup, kept - dup);
    }
    const size_t used_entries = kLeafHead + (node.end - node.begin) * b.entry_size;
    put_le16(out, at + 12, static_cast<uint32_t>(key_end - used_entries));
    put_le32(out, at + 14, b.recno == 32 ? 0xFFFFFFFFu : (1u << b.recno) - 1);
    out[at + 18] = static_cast<char>((1u << b.dup) - 1);
    out[at + 19] = static_cast<char>((1u << b.trail) - 1);
    out[at + 20] = static_cast<char>(b.recno);
    out[at + 21] = static_cast<char>(b.dup);
    out[at + 22] = static_cast<char>(b.trail);
    out[at + 23] = static_cast<char>(b.entry_size);
  }

  void write_interior(std::string& out, size_t level, size_t i) {
    const Planned& node = levels_[level][i];
    const auto& below = levels_[level - 1];
    const size_t kl = in_.key_length;
    write_node_head(out, level, i, false, node.end - node.begin);
    size_t at = node.offset + kInteriorHead;
    for (size_t j = node.begin; j < node.end; ++j, at += kl + 8) {
      const Item& greatest = in_.items[below[j].greatest];
      std::memcpy(&out[at], greatest.key.data(), kl);
      put_be32(out, at + kl, greatest.recno);
      put_be32(out, at + kl + 4, static_cast<uint32_t>(below[j].offset));
    }
  }

  const TreeInput& in_;
  const CdxWriteOptions& options_;
  std::vector<std::vector<Planned>> levels_;
};

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

TreeInput tag_input(const CdxTagSpec& tag) {
  TreeInput in;
  in.key_length = tag.key_length;
  in.fill = tag.fill;
  in.items.reserve(tag.entries.size());
  for (const CdxEntry& e : tag.entries) {
    if (!e.for_result) continue;
    std::string key = e.key.substr(0, tag.key_length);
    key.resize(tag.key_length, tag.fill);
    in.items.push_back(Item{std::move(key), e.recno});
  }
  std::sort(in.items.begin(), in.items.end(), [](const Item& a, const Item& b) {
    const int c = a.key.compare(b.key);
    return c != 0 ? c < 0 : a.recno < b.recno;
  });
  return in;
}

void write_header(std::string& out, uint64_t at, uint64_t root, uint16_t key_length,
                  uint8_t options, uint8_t signature, const CdxTagSpec* tag) {
  put_le32(out, at, static_cast<uint32_t>(root));
  put_le16(out, at + 12, key_length);
  out[at + 14] = static_cast<char>(options);
  out[at + 15] = static_cast<char>(signature);
  std::string key_expr, for_expr;
  if (tag) {
    const std::string collation = tag->collation.substr(0, 8);
    std::memcpy(&out[at + 494], collation.data(), collation.size());
    put_le16(out, at + 502, tag->descending ? 1 : 0);
    key_expr = tag->key_expression.substr(0, 255);
    for_expr = tag->for_expression.substr(0, 255);
  }
  put_le16(out, at + 504, static_cast<uint32_t>(key_expr.size() + 1));
  put_le16(out, at + 506, static_cast<uint32_t>(for_expr.size() + 1));
  put_le16(out, at + 508, 0);
  put_le16(out, at + 510, static_cast<uint32_t>(key_expr.size() + 1));
  std::memcpy(&out[at + 512], key_expr.data(), key_expr.size());
  std::memcpy(&out[at + 512 + key_expr.size() + 1], for_expr.data(), for_expr.size());
}

uint8_t tag_options(const CdxTagSpec& tag) {
  uint8_t options = 0x60;
  if (tag.unique) options |= 0x01;
  if (tag.nullable) options |= 0x02;
  if (tag.candidate) options |= 0x04;
  if (!tag.for_expression.empty()) options |= 0x08;
  return options;
}

}  // namespace

std::string char_key(std::string_view text, size_t key_length) {
  std::string key(text.substr(0, key_length));
  key.resize(key_length, ' ');
  return key;
}

std::string build_cdx(const std::vector<CdxTagSpec>& tags, const CdxWriteOptions& options,
                      CdxLayout* layout) {
  std::string out(kHeader, '\0');
  TreeInput directory;
  directory.key_length = 10;
  directory.fill = ' ';
  if (layout) layout->tags.assign(tags.size(), CdxTreeLayout());
  for (size_t t = 0; t < tags.size(); ++t) {
    const CdxTagSpec& tag = tags[t];
    const uint64_t header = out.size();
    TreeInput in = tag_input(tag);
    TreeBuilder builder(in, options);
    builder.plan();
    out.resize(header + kHeader + builder.pages() * kPage, '\0');
    builder.write(out, header + kHeader, layout ? &layout->tags[t] : nullptr);
    write_header(out, header, builder.root(), tag.key_length, tag_options(tag), tag.signature,
                 &tag);
    if (layout) layout->tags[t].header_offset = header, layout->tags[t].root = builder.root();
    directory.items.push_back(Item{char_key(upper(tag.name), 10), static_cast<uint32_t>(header)});
  }
  std::sort(directory.items.begin(), directory.items.end(),
            [](const Item& a, const Item& b) { return a.key < b.key; });
  TreeBuilder builder(directory, options);
  builder.plan();
  const uint64_t base = out.size();
  out.resize(base + builder.pages() * kPage, '\0');
  builder.write(out, base, layout ? &layout->directory : nullptr);
  write_header(out, 0, builder.root(), 10, 0xE0, 1, nullptr);
  if (layout) layout->directory.header_offset = 0, layout->directory.root = builder.root();
  return out;
}

bool write_cdx(const std::string& path, const std::vector<CdxTagSpec>& tags,
               const CdxWriteOptions& options, std::string* error, CdxLayout* layout) {
  const std::string bytes = build_cdx(tags, options, layout);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    if (error) *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace kx::writer
