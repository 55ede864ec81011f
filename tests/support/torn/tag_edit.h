// Changes to one tag's B-tree in a compound index image, made the way a
// point-of-sale writer makes them and turned into single write calls:
//
//  - insert: the key goes into its leaf; a node fuller than its cap splits,
//    its upper half moving to a page from the tag's free list or from the
//    end of the file, siblings relinked, the parent given the new page's
//    separator; a root that splits gets a new root above it; a separator
//    that no longer equals its child's last key is raised;
//  - rebalance: keys move between two neighbouring leaves of one parent;
//  - merge: a leaf takes in its right neighbour, which goes onto the free
//    list (offset 4 of the tag header, LE; a free page's first 4 bytes link
//    to the next free page, 0 for none);
//  - respread: the leaves of one parent are rebuilt in place with their keys
//    spread evenly.
//
// An edit reads the image it was made on and changes nothing in it: writes()
// gives the pages and the header as write calls, each page whole in one call.
#ifndef KX_TESTS_SUPPORT_TORN_TAG_EDIT_H_
#define KX_TESTS_SUPPORT_TORN_TAG_EDIT_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/torn/write_call.h"
#include "tablewriter/cdx_pages.h"

namespace kx::test {

// Entries per node beyond which the writer splits.
struct TreeCaps {
  size_t leaf = 16;
  size_t interior = 6;
};

struct CdxTag {
  std::string name;  // upper case, no trailing blanks
  uint64_t header = 0;
  uint16_t key_length = 0;
  char fill = ' ';
};

// The tags that the image's directory lists, each header read; fill is
// ' ' unless the caller sets it. False with *error.
bool read_tags(const std::string& image, std::vector<CdxTag>* tags, std::string* error);

// The order of an edit's writes: the tag header before or after the pages;
// the pages by level (leaves first, or the root first); within a level new
// pages before rewritten ones or after them. Freed pages come last in their level.
struct WriteOrder {
  bool header_first = false;
  bool top_down = false;
  bool new_pages_first = true;
};

class TagEdit {
 public:
  using Entry = writer::cdx_pages::Entry;
  using Page = writer::cdx_pages::Page;

  // An edit of tag in image; pages appended go from the end of the image on.
  TagEdit(const std::string& image, const CdxTag& tag, const TreeCaps& caps);

  // ---- Reading, with the edit's changes ----
  bool page(uint64_t offset, Page* page);
  // The pages from the root down to the leaf where entry belongs, and for
  // each interior page the slot followed.
  bool path(const Entry& entry, std::vector<Page>* pages, std::vector<size_t>* slots);
  // Every leaf in key order, with its parent's offset (0 for a root leaf).
  bool leaves(std::vector<Page>* leaves, std::vector<uint64_t>* parents);
  uint32_t free_head() const;
  size_t leaf_cap() const { return caps_.leaf; }
  size_t interior_cap() const { return caps_.interior; }

  // ---- Changes (false with error() set when the tree is not as expected) ----
  // Pages the insert needs come from the free list first when from_free_list.
  bool insert(const Entry& entry, bool from_free_list);
  // Moves count entries from the leaf at giver into its neighbour receiver
  // (the two adjacent under one parent).
  bool rebalance(uint64_t giver, uint64_t receiver, size_t count);
  // left takes in its right neighbour, which is freed.
  bool merge(uint64_t left);
  // The leaves under parent get their keys spread evenly.
  bool respread(uint64_t parent);

  // Offsets of the pages changed, new or freed, and the level of each.
  std::map<uint64_t, int> changed_levels() const;
  bool is_new(uint64_t offset) const;
  // The writes in the given order; or with pages in the order listed (the
  // tag header's offset stands for the header), the rest after them.
  std::vector<WriteCall> writes(const std::string& file, const WriteOrder& order) const;
  std::vector<WriteCall> writes(const std::string& file, const std::vector<uint64_t>& first) const;
  // Splits the insert made (leaves and interior nodes), and whether the root split.
  size_t splits() const { return splits_; }
  bool root_split() const { return root_split_; }
  const std::string& error() const { return error_; }

 private:
  enum class Role { kNew, kChanged, kFreed };
  struct Dirty {
    Page page;
    std::string raw;  // a freed page's bytes
    int level = 0;
    Role role = Role::kChanged;
  };

  bool fail(const std::string& what);
  void put(const Page& page, int level, Role role);
  bool fits(const Page& page) const;
  uint64_t allocate(bool from_free_list);
  bool store(std::vector<Page>* path, const std::vector<size_t>& slots, size_t at,
             bool from_free_list);
  bool parent_of(uint64_t leaf, Page* parent, size_t* slot);
  std::string bytes_of(const Dirty& dirty) const;
  WriteCall header_write(const std::string& file) const;

  const std::string& image_;
  const CdxTag tag_;
  const TreeCaps caps_;
  std::string head_;  // the tag header's first 16 bytes
  bool head_changed_ = false;
  std::map<uint64_t, Dirty> dirty_;
  uint64_t end_ = 0;
  size_t splits_ = 0;
  bool root_split_ = false;
  std::string error_;
};

// The separator of a node in its parent: its last entry, pointing at it.
writer::cdx_pages::Entry separator(const writer::cdx_pages::Page& page);

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TORN_TAG_EDIT_H_
