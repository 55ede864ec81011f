#include "tables/cdx/node_cache.h"

namespace kx::tables::cdx {

bool NodeCache::fetch(uint64_t offset, Node* node) const {
  for (size_t i = 0; i < used_; ++i) {
    if (slots_[i].node.offset == offset) {
      node->assign(slots_[i].node);
      return true;
    }
  }
  return false;
}

void NodeCache::keep(const Node& node, size_t depth) {
  size_t slot = used_;
  for (size_t i = 0; i < used_; ++i) {
    if (slots_[i].node.offset == node.offset) slot = i;
  }
  if (slot == used_ && used_ == kCapacity) {
    slot = 0;
    for (size_t i = 1; i < used_; ++i) {
      const Slot& a = slots_[i];
      const Slot& b = slots_[slot];
      if (a.depth > b.depth || (a.depth == b.depth && a.stored < b.stored)) slot = i;
    }
  } else if (slot == used_) {
    if (slots_.size() <= used_) slots_.emplace_back();
    ++used_;
  }
  slots_[slot].node.assign(node);
  slots_[slot].depth = depth;
  slots_[slot].stored = ++clock_;
}

void NodeCache::update(const Node& node) {
  for (size_t i = 0; i < used_; ++i) {
    if (slots_[i].node.offset == node.offset) {
      slots_[i].node.assign(node);
      return;
    }
  }
}

void NodeCache::clear() { used_ = 0; }

}  // namespace kx::tables::cdx
