// A compound index written anew from each tag's entries, as the
// point-of-sale application's "create indexes" does: the directory header,
// the tag headers (copied from the old file, each with its new root and an
// empty free list), the directory leaf, then each tag's pages, leaves first.
//
// Leaves hold about caps.leaf - 2 entries and interior nodes about
// caps.interior - 1, so that inserts find room; the first tag named in
// full_path_tag gets a full path from its root to its first leaf, so that
// one insert there splits every level, the root too (the other leaves
// beside that path hold two entries each, so that leaves can be merged).
#ifndef KX_TESTS_SUPPORT_TORN_INDEX_REBUILD_H_
#define KX_TESTS_SUPPORT_TORN_INDEX_REBUILD_H_

#include <string>
#include <vector>

#include "support/torn/tag_edit.h"

namespace kx::test {

// entries[i] holds tags[i]'s entries in key order. The new image; the tags'
// header offsets change (read_tags finds them).
std::string rebuild_index(const std::string& old_image, const std::vector<CdxTag>& tags,
                          const std::vector<std::vector<writer::cdx_pages::Entry>>& entries,
                          const TreeCaps& caps, const std::string& full_path_tag);

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TORN_INDEX_REBUILD_H_
