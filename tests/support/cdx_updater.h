// Inserts keys into an existing compound index (CDX) in place, the way the
// point-of-sale application does while other programs read the file:
//
//  - the key goes into its leaf, which is rewritten whole (keys compressed
//    again against their neighbours);
//  - a leaf or interior node that overflows is split: its upper half moves to
//    a new page appended at the end of the file, the node keeps the lower
//    half, the sibling links of both levels are relinked and the parent gets
//    the new page's separator; a root that splits gets a new root above it;
//  - a node whose greatest key grows has its separator raised in the parent;
//  - the tag header's change counter (offset 8, big-endian) goes up by one
//    per insert, and the header names the new root when there is one.
//
// Every page and the header are written with one write call each, in this
// order: new pages, the split node, its old right neighbour, the parent
// levels upwards, a new root, the header. A reader that reads between two
// writes sees the index half changed, as it would with the real writer.
#ifndef KX_TESTS_SUPPORT_CDX_UPDATER_H_
#define KX_TESTS_SUPPORT_CDX_UPDATER_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "support/page_store.h"

namespace kx::test {

// Counts of what inserts did, for tests that want splits and new roots.
struct CdxUpdateStats {
  uint64_t inserts = 0;
  uint64_t splits = 0;     // nodes split, leaves and interior nodes alike
  uint64_t new_roots = 0;  // roots that split and got a root above them
};

class CdxUpdater {
 public:
  // store must outlive the updater and hold a compound index whose tags are
  // B-trees with machine collation.
  explicit CdxUpdater(PageStore* store) : store_(store) {}
  CdxUpdater(const CdxUpdater&) = delete;
  CdxUpdater& operator=(const CdxUpdater&) = delete;

  // Inserts key (cut or padded with fill to the tag's key length) for recno
  // into the tag named tag (letter case ignored). Equal keys are ordered by
  // record number. False with *error set when the tag does not exist, the
  // index cannot be read or holds something this writer does not expect, or
  // a write fails (the file may then be left half changed).
  bool insert(std::string_view tag, std::string_view key, uint32_t recno, char fill,
              std::string* error);

  // Levels of the tag's tree (1 for a root that is a leaf).
  bool depth(std::string_view tag, size_t* depth, std::string* error);

  const CdxUpdateStats& stats() const { return stats_; }

 private:
  bool find_tag(std::string_view tag, uint64_t* header, std::string* error);

  PageStore* const store_;
  std::map<std::string, uint64_t> tags_;  // tag name -> header offset, read once
  CdxUpdateStats stats_;
};

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_CDX_UPDATER_H_
