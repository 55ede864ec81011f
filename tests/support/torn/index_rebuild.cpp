#include "support/torn/index_rebuild.h"

#include <algorithm>

namespace kx::test {
namespace {

namespace cdx_pages = writer::cdx_pages;
using cdx_pages::Entry;
using cdx_pages::kNone;
using cdx_pages::kPage;
using cdx_pages::Page;

constexpr size_t kHeader = 1024;

// A node of the planned tree: the entries [begin, end) of its subtree.
struct Planned {
  size_t begin = 0, end = 0;
  std::vector<Planned> children;
};

class Shaper {
 public:
  explicit Shaper(const TreeCaps& caps) : caps_(caps) {}

  size_t depth(size_t n) const {
    size_t d = 3;
    while (caps_.interior * target(d - 2) < n) ++d;
    return d;
  }

  // Plans the subtree of height h (0: a leaf) over [begin, end).
  void plan(Planned* node, size_t h, bool full) const {
    if (h == 0) return;
    const size_t n = node->end - node->begin;
    std::vector<size_t> sizes;
    if (full) {
      const size_t g = caps_.interior;
      size_t first = h == 1 ? caps_.leaf : min_full(h - 1);
      first = std::min(first, n - (g - 1));
      first = std::max(first, n > (g - 1) * capacity(h - 1) ? n - (g - 1) * capacity(h - 1) : 0);
      sizes.push_back(first);
      spread(n - first, g - 1, &sizes);
    } else {
      size_t g = (n + target(h - 1) / 2) / target(h - 1);
      g = std::max({g, (n + capacity(h - 1) - 1) / capacity(h - 1), std::min<size_t>(2, n)});
      spread(n, std::min({g, caps_.interior, n}), &sizes);
    }
    size_t at = node->begin;
    for (size_t i = 0; i < sizes.size(); ++i) {
      Planned child{at, at + sizes[i], {}};
      at += sizes[i];
      plan(&child, h - 1, full && i == 0);
      node->children.push_back(std::move(child));
    }
  }

 private:
  static void spread(size_t n, size_t parts, std::vector<size_t>* sizes) {
    for (size_t i = 0; i < parts; ++i) sizes->push_back(n / parts + (i < n % parts ? 1 : 0));
  }
  size_t capacity(size_t h) const {
    size_t c = caps_.leaf;
    for (size_t i = 0; i < h; ++i) c *= caps_.interior;
    return c;
  }
  // Entries of a subtree whose first path is full and whose other leaves
  // hold two entries: leaves that a merge can join.
  size_t min_full(size_t h) const { return caps_.leaf + 2 * h * (caps_.interior - 1); }
  size_t target(size_t h) const {
    size_t t = caps_.leaf - 2;
    for (size_t i = 0; i < h; ++i) t *= caps_.interior - 1;
    return t;
  }

  const TreeCaps caps_;
};

// The planned nodes by height, each level from left to right.
void collect(const Planned& node, size_t h, std::vector<std::vector<const Planned*>>* levels) {
  (*levels)[h].push_back(&node);
  for (const Planned& child : node.children) collect(child, h - 1, levels);
}

// Places a tag's pages from *next on and writes them into out; the root.
uint64_t write_tree(const std::vector<Entry>& entries, const CdxTag& tag, const TreeCaps& caps,
                    bool full, uint64_t* next, std::string* out) {
  const Shaper shaper(caps);
  const size_t height = shaper.depth(entries.size()) - 1;
  Planned root{0, entries.size(), {}};
  shaper.plan(&root, height, full);
  std::vector<std::vector<const Planned*>> levels(height + 1);
  collect(root, height, &levels);
  std::vector<std::vector<uint64_t>> offsets(levels.size());
  for (size_t h = 0; h < levels.size(); ++h) {
    for (size_t i = 0; i < levels[h].size(); ++i, *next += kPage) offsets[h].push_back(*next);
  }
  // A node's last entry, which is its separator in the parent.
  const auto last = [&](const Planned* p) { return entries[p->end - 1]; };
  for (size_t h = 0; h < levels.size(); ++h) {
    for (size_t i = 0; i < levels[h].size(); ++i) {
      const Planned* node = levels[h][i];
      Page page;
      page.offset = offsets[h][i];
      page.attributes = static_cast<uint16_t>((h == 0 ? cdx_pages::kLeafBit : 0) |
                                              (h == height ? cdx_pages::kRootBit : 0));
      page.left = i == 0 ? kNone : static_cast<uint32_t>(offsets[h][i - 1]);
      page.right = i + 1 == levels[h].size() ? kNone : static_cast<uint32_t>(offsets[h][i + 1]);
      if (h == 0) {
        page.entries.assign(entries.begin() + static_cast<long>(node->begin),
                            entries.begin() + static_cast<long>(node->end));
      }
      for (const Planned& child : node->children) {
        const auto& below = levels[h - 1];
        const size_t at =
            static_cast<size_t>(std::find(below.begin(), below.end(), &child) - below.begin());
        Entry e = last(&child);
        e.child = static_cast<uint32_t>(offsets[h - 1][at]);
        page.entries.push_back(e);
      }
      std::string bytes;
      cdx_pages::encode_page(page, tag.key_length, tag.fill, &bytes);
      out->resize(std::max<size_t>(out->size(), page.offset + kPage), '\0');
      out->replace(page.offset, kPage, bytes);
    }
  }
  return offsets[height].front();
}

}  // namespace

std::string rebuild_index(const std::string& old_image, const std::vector<CdxTag>& tags,
                          const std::vector<std::vector<Entry>>& entries, const TreeCaps& caps,
                          const std::string& full_path_tag) {
  const uint64_t directory_page = kHeader * (tags.size() + 1);
  std::string out = old_image.substr(0, kHeader);
  cdx_pages::set_le32(&out, 0, static_cast<uint32_t>(directory_page));
  cdx_pages::set_le32(&out, 4, 0);
  Page directory;
  directory.offset = directory_page;
  directory.attributes = cdx_pages::kRootBit | cdx_pages::kLeafBit;
  uint64_t next = directory_page + kPage;
  for (size_t i = 0; i < tags.size(); ++i) {
    const uint64_t header = kHeader * (i + 1);
    std::string head = old_image.substr(tags[i].header, kHeader);
    const uint64_t root =
        write_tree(entries[i], tags[i], caps, tags[i].name == full_path_tag, &next, &out);
    cdx_pages::set_le32(&head, 0, static_cast<uint32_t>(root));
    cdx_pages::set_le32(&head, 4, 0);
    out.replace(header, kHeader, head);
    std::string name = tags[i].name;
    name.resize(10, ' ');
    directory.entries.push_back({name, static_cast<uint32_t>(header), 0});
  }
  std::sort(directory.entries.begin(), directory.entries.end(), cdx_pages::entry_less);
  std::string bytes;
  cdx_pages::encode_page(directory, 10, ' ', &bytes);
  out.replace(directory_page, kPage, bytes);
  return out;
}

}  // namespace kx::test
