#include "tables/cdx/node_memo.h"

namespace kx::tables::cdx {

bool NodeMemo::take(Node* node) {
  Slot* slot = find(node->offset());
  if (slot == nullptr || !slot->node.same_source(*node)) return false;
  // The same bytes, read under the version the node has now.
  const uint64_t version = node->source_version();
  node->assign(slot->node);
  node->source_version_ = version;
  slot->node.source_version_ = version;
  slot->used = ++clock_;
  return true;
}

bool NodeMemo::take_unchanged(uint64_t offset, uint16_t key_length, char fill, uint64_t version,
                              Node* node) {
  if (version == 0) return false;
  Slot* slot = find(offset);
  if (slot == nullptr || slot->node.source_version() != version ||
      slot->node.key_length() != key_length || slot->node.fill() != fill) {
    return false;
  }
  node->assign(slot->node);
  slot->used = ++clock_;
  return true;
}

NodeMemo::Slot* NodeMemo::find(uint64_t offset) {
  for (Slot& slot : slots_) {
    if (slot.node.offset() == offset) return &slot;
  }
  return nullptr;
}

void NodeMemo::keep(const Node& node) {
  Slot* slot = find(node.offset());
  if (slot == nullptr && slots_.size() < kCapacity) {
    if (slots_.empty()) slots_.reserve(kCapacity);
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
