#include "share_fs_nodes.h"

#include <utility>

namespace kx::bench {

NodeTable::NodeTable(std::string source) {
  by_path_[source] = FUSE_ROOT_ID;
  // The root is never forgotten: its count only has to stay above zero.
  nodes_[FUSE_ROOT_ID] = {std::move(source), 1};
}

const std::string* NodeTable::path(fuse_ino_t ino) const {
  const auto it = nodes_.find(ino);
  return it == nodes_.end() ? nullptr : &it->second.path;
}

fuse_ino_t NodeTable::remember(const std::string& path) {
  const auto [it, added] = by_path_.try_emplace(path, next_ino_);
  if (added) nodes_[next_ino_++] = {path, 0};
  ++nodes_[it->second].lookups;
  return it->second;
}

void NodeTable::forget(fuse_ino_t ino, uint64_t n) {
  if (ino == FUSE_ROOT_ID) return;
  const auto it = nodes_.find(ino);
  if (it == nodes_.end()) return;
  it->second.lookups = n >= it->second.lookups ? 0 : it->second.lookups - n;
  if (it->second.lookups == 0) {
    by_path_.erase(it->second.path);
    nodes_.erase(it);
  }
}

}  // namespace kx::bench
