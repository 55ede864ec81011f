#include "tables/cdx/node_memo.h"

namespace kx::tables::cdx {

bool NodeMemo::take(Node* node) {
  Slot* slot = find(*node);
  if (slot == nullptr || !slot->node.same_source(*node)) return false;
  node->assign(slot->node);
  slot->used = ++clock_;
  return true;
}

NodeMemo::Slot* NodeMemo::find(const Node& node) {
  for (Slot& slot : slots_) {
    if (slot.node.offset() == node.offset()) return &slot;
  }
  return nullptr;
}

void NodeMemo::keep(const Node& node) {
  Slot* slot = find(node);
  if (slot == nullptr && slots_.size() < kCapacity) {
    slot = &slots_.emplace_back();
  } else if (slot == nullptr) {
    slot = &slots_.front();
    for (Slot& s : slots_) {
      const bool leaf = s.node.is_leaf(), chosen_leaf = slot->node.is_leaf();
      if (leaf != chosen_leaf ? leaf : s.used < slot->used) slot = &s;
    }
  }
  slot->node.assign(node);
  slot->used = ++clock_;
}

}  // namespace kx::tables::cdx
