// Nodes that a walk has read and checked, kept with the keys it rebuilt, so
// that a later read of the same page that finds the same bytes (the upper
// levels of the tree for every seek, the leaf for a second seek near the
// first) takes the node as it was instead of checking and rebuilding it
// again. What the file holds still decides: a node is only taken for bytes
// read now that equal the ones it was made from.
#ifndef KX_TABLES_CDX_NODE_MEMO_H_
#define KX_TABLES_CDX_NODE_MEMO_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tables/cdx/node.h"

namespace kx::tables::cdx {

class NodeMemo {
 public:
  static constexpr size_t kCapacity = 16;

  // When a node made from the same page bytes as *node (just read, not yet
  // checked) is held, copies it into *node and returns true.
  bool take(Node* node);
  // When the node held for offset was made from page bytes of the given
  // version (not 0), key length and fill, copies it into *node: true.
  bool take_unchanged(uint64_t offset, uint16_t key_length, char fill, uint64_t version,
                      Node* node);
  // Keeps a copy of node in place of an older one of its page. A full memo
  // gives up a leaf before an interior node (the upper levels serve every
  // seek), the one used longest ago first.
  void keep(const Node& node);

 private:
  struct Slot {
    Node node;
    uint64_t used = 0;
  };
  Slot* find(uint64_t offset);

  std::vector<Slot> slots_;  // grows to kCapacity, then slots are reused
  uint64_t clock_ = 0;
};

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_NODE_MEMO_H_
