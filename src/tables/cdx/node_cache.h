// Index nodes that earlier operations of one walker read and checked, kept
// so that a seek does not read the upper levels of the tree (and, for a
// second seek near the first, the leaf) from the file again.
//
// The cache holds a bounded number of nodes, whatever the size of the index.
// Its owner clears it whenever the tag header shows another change counter
// or root, or the table's record count moves: another application changed
// the index. A node served from the cache is a copy of what the file held
// earlier in this run, so a walk may meet a mix of older and newer nodes,
// as a slow walk would; a walk that fails with cached nodes in it is walked
// again from the file before an error is believed.
#ifndef KX_TABLES_CDX_NODE_CACHE_H_
#define KX_TABLES_CDX_NODE_CACHE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tables/cdx/node.h"

namespace kx::tables::cdx {

class NodeCache {
 public:
  static constexpr size_t kCapacity = 16;

  // Copies the node at offset into *node (keys rebuilt so far included):
  // true on a hit, false (node untouched) when it is not held.
  bool fetch(uint64_t offset, Node* node) const;
  // Keeps a copy of node, found depth levels below the root, replacing an
  // older copy of the same page. A full cache gives up its deepest node (the
  // oldest of those): the upper levels serve every seek, a leaf only seeks
  // near it.
  void keep(const Node& node, size_t depth);
  // Replaces the copy of node's page, when one is held, by node (whose leaf
  // keys may have been rebuilt further since it was kept).
  void update(const Node& node);
  void clear();
  bool empty() const { return used_ == 0; }

 private:
  struct Slot {
    Node node;
    size_t depth = 0;
    uint64_t stored = 0;  // when it was kept, to find the oldest
  };
  std::vector<Slot> slots_;  // grows to kCapacity, then slots are reused
  size_t used_ = 0;          // slots that hold a node
  uint64_t clock_ = 0;
};

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_NODE_CACHE_H_
