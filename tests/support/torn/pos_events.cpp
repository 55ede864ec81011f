// The events of each kind, in each of their write orders.
#include <algorithm>

#include "support/torn/index_rebuild.h"
#include "support/torn/pos_files.h"
#include "support/torn/pos_writer.h"
#include "tables/cdx/key_encoding.h"

namespace kx::test {
namespace {

namespace cdx_pages = writer::cdx_pages;
using cdx_pages::Entry;
using cdx_pages::kPage;
using cdx_pages::Page;
using namespace pos_files;

constexpr int kTries = 60;
constexpr size_t kRebuildHead = 3584;  // headers and the directory leaf of a rebuilt index

}  // namespace

bool PosWriter::event_append(size_t order, PosEvent* event, std::string* error) {
  const int64_t currency = 2 + static_cast<int64_t>(random(4));
  return append(make_rate(currency, hot_date()), order, WriteOrder{}, false, &event->writes, error);
}

bool PosWriter::event_leaf_insert(size_t order, PosEvent* event, std::string* error) {
  writer::Rate rate;
  for (int tries = 0; tries < kTries; ++tries) {
    const int64_t currency = 2 + static_cast<int64_t>(random(4));
    rate = make_rate(currency, hot_date());
    TagEdit trial = edit(kMuTgl);
    if (!trial.insert(mu_entry(rate, static_cast<uint32_t>(content_.rates.size() + 1)), false))
      return *error = trial.error(), false;
    if (trial.splits() == 0) break;
  }
  TagEdit mu = edit(kMuTgl);
  if (!mu.insert(mu_entry(rate, static_cast<uint32_t>(content_.rates.size() + 1)), false))
    return *error = mu.error(), false;
  if (mu.splits() != 0) {
    // Hot keys all land in full leaves: a leaf with room takes the rate.
    std::vector<Page> leaves;
    std::vector<uint64_t> parents;
    if (!mu.leaves(&leaves, &parents)) return *error = mu.error(), false;
    bool found = false;
    for (size_t tries = 0; tries < leaves.size() && !found; ++tries) {
      const Page& leaf = leaves[random(leaves.size())];
      found = leaf.entries.size() < caps_.leaf && craft_into(leaf.offset, &rate);
    }
    if (!found) return *error = "no leaf with room", false;
  }
  const WriteOrder index_order{false, order == 1, true};
  std::vector<WriteCall> writes;
  if (!append(rate, order == 2 ? 2 : 0, index_order, false, &writes, error)) return false;
  event->writes = std::move(writes);
  return true;
}

bool PosWriter::event_split(EventKind kind, size_t order, std::vector<PosEvent>* events,
                            std::string* error) {
  const bool root = kind == EventKind::kRootSplit;
  const bool free_list = kind == EventKind::kSplitFree;
  if (free_list && edit(kMuTgl).free_head() == 0) {
    PosEvent merge{EventKind::kMove, 7, {}, {}};
    if (!event_move(7, events, &merge, error)) return false;
  }
  uint64_t leaf = 0;
  writer::Rate rate;
  const bool found = full_leaf(root, &leaf, error) && craft_into(leaf, &rate);
  if (!error->empty()) return false;
  if (found) {
    // The chosen leaf takes the rate.
  } else if (root) {
    PosEvent rebuild{EventKind::kRebuild, 0, {}, {}};
    if (!event_rebuild(0, &rebuild, error)) return false;
    push(std::move(rebuild), events);
    if (!full_leaf(true, &leaf, error) || !craft_into(leaf, &rate))
      return *error = "no full path after a rebuild", false;
  } else {
    std::vector<uint64_t> tried = {leaf};
    for (;;) {
      leaf = fullest_leaf(tried);
      if (leaf == 0) return *error = "no leaf whose split stops below the root", false;
      if (fill_leaf(leaf, events, error) && craft_into(leaf, &rate)) break;
      if (!error->empty()) return false;
      tried.push_back(leaf);
    }
  }
  static const WriteOrder kSplitOrders[4] = {
      {false, false, true}, {true, true, false}, {true, true, true}, {false, false, false}};
  static const WriteOrder kRootOrders[3] = {
      {false, false, true}, {true, true, false}, {true, true, true}};
  const WriteOrder index_order = root ? kRootOrders[order % 3] : kSplitOrders[order % 4];
  PosEvent event{kind, order, {}, {}};
  if (!append(rate, 0, index_order, free_list, &event.writes, error)) return false;
  push(std::move(event), events);
  return true;
}

bool PosWriter::event_move(size_t order, std::vector<PosEvent>* events, PosEvent* event,
                           std::string* error) {
  TagEdit mu = edit(kMuTgl);
  std::vector<Page> leaves;
  std::vector<uint64_t> parents;
  if (!mu.leaves(&leaves, &parents)) return *error = mu.error(), false;
  std::vector<size_t> hot;  // leaves holding a key that a lookup lands on
  for (const Entry& h : hot_entries()) {
    std::vector<Page> path;
    std::vector<size_t> slots;
    if (!mu.path(h, &path, &slots)) continue;
    for (size_t i = 0; i < leaves.size(); ++i) {
      if (leaves[i].offset == path.back().offset) hot.push_back(i);
    }
  }
  const auto under_one_parent = [&](size_t a, size_t b) {
    return b < leaves.size() && parents[a] != 0 && parents[a] == parents[b];
  };
  if (order <= 3) {
    size_t giver = 0, receiver = 0, count = 0;
    for (size_t tries = 0; tries < 4 * leaves.size() && count == 0; ++tries) {
      const size_t i = !hot.empty() && tries < 8 ? hot[random(hot.size())] : random(leaves.size());
      const bool rightwards = random(2) == 0;
      const size_t j = rightwards ? i + 1 : i - 1;
      if ((!rightwards && i == 0) || !under_one_parent(std::min(i, j), std::max(i, j))) continue;
      const size_t have = leaves[i].entries.size();
      const size_t room = caps_.leaf - leaves[j].entries.size();
      if (have < 2 || room == 0) continue;
      giver = i, receiver = j, count = 1 + random(std::min(have - 1, std::min<size_t>(room, 4)));
    }
    if (count == 0) return *error = "no neighbouring leaves to rebalance", false;
    if (!mu.rebalance(leaves[giver].offset, leaves[receiver].offset, count))
      return *error = mu.error(), false;
    const uint64_t g = leaves[giver].offset, r = leaves[receiver].offset, p = parents[giver];
    static const int kOrders[4][3] = {{1, 0, 2}, {0, 1, 2}, {2, 1, 0}, {0, 2, 1}};
    std::vector<uint64_t> first;
    for (int k : kOrders[order]) first.push_back(k == 0 ? g : k == 1 ? r : p);
    event->writes = mu.writes(kIndex, first);
  } else if (order <= 6) {
    std::vector<uint64_t> candidates;
    for (size_t i = 0; i + 1 < leaves.size(); ++i) {
      if (under_one_parent(i, i + 1) && leaves[i].entries.size() != leaves[i + 1].entries.size() &&
          (hot.empty() || std::count(hot.begin(), hot.end(), i) != 0 || random(4) == 0))
        candidates.push_back(parents[i]);
    }
    if (candidates.empty()) return *error = "no parent whose leaves differ", false;
    const uint64_t parent = candidates[random(candidates.size())];
    if (!mu.respread(parent)) return *error = mu.error(), false;
    Page p;
    mu.page(parent, &p);
    std::vector<uint64_t> first;
    if (order == 5) first.push_back(parent);
    for (const Entry& e : p.entries) first.push_back(e.child);
    if (order == 6) std::reverse(first.begin(), first.end());
    event->writes = mu.writes(kIndex, first);
  } else {
    uint64_t left = 0;
    if (!merge_candidate(&left)) {
      PosEvent rebuild{EventKind::kRebuild, 0, {}, {}};
      if (!event_rebuild(0, &rebuild, error)) return false;
      push(std::move(rebuild), events);
      if (!merge_candidate(&left)) return *error = "no leaves to merge after a rebuild", false;
    }
    TagEdit merge = edit(kMuTgl);
    if (!merge.merge(left)) return *error = merge.error(), false;
    event->writes = merge.writes(
        kIndex, order == 7 ? WriteOrder{false, false, true} : WriteOrder{true, true, true});
  }
  event->kind = EventKind::kMove;
  event->order = order;
  finish(event);
  push(*event, events);
  return true;
}

bool PosWriter::event_rebuild(size_t order, PosEvent* event, std::string* error) {
  std::vector<std::vector<Entry>> entries;
  for (const CdxTag& t : tags_) entries.push_back(model_entries(content_, t.name));
  const std::string image = rebuild_index(images_[kIndex], tags_, entries, caps_, kMuTgl);
  const size_t pages = image.size() / kPage;
  const size_t head_pages = kRebuildHead / kPage;
  const size_t from = order == 2 ? head_pages : 0;
  const size_t pieces = std::min<size_t>(4 + random(5), pages - from);
  std::vector<size_t> cuts = {from, pages};
  while (cuts.size() < pieces + 1) {
    const size_t cut = from + 1 + random(pages - from - 1);
    if (std::find(cuts.begin(), cuts.end(), cut) == cuts.end()) cuts.push_back(cut);
  }
  std::sort(cuts.begin(), cuts.end());
  event->writes = {{kIndex, 0, "", true}};
  std::vector<WriteCall> parts;
  for (size_t i = 0; i + 1 < cuts.size(); ++i) {
    parts.push_back({kIndex, cuts[i] * kPage,
                     image.substr(cuts[i] * kPage, (cuts[i + 1] - cuts[i]) * kPage), false});
  }
  if (order == 1) std::reverse(parts.begin(), parts.end());
  if (order == 2) parts.push_back({kIndex, 0, image.substr(0, kRebuildHead), false});
  event->writes.insert(event->writes.end(), parts.begin(), parts.end());
  event->kind = EventKind::kRebuild;
  event->order = order;
  finish(event);
  if (!load(error)) return false;
  return true;
}

bool PosWriter::event_day_close(size_t order, PosEvent* event, std::string* error) {
  const Date next = Date::from_julian(content_.aktif.julian() + 1);
  const WriteCall aktif{kControl, aktif_offset_, next.dtos(), false};
  std::vector<WriteCall> rates;
  if (order != 2) {
    std::vector<int64_t> ids = {2, 3, 4, 5};
    const size_t n = 1 + random(2);
    for (size_t i = 0; i < n; ++i) {
      const size_t pick = random(ids.size());
      if (!append(make_rate(ids[pick], next), 0, WriteOrder{}, false, &rates, error)) return false;
      ids.erase(ids.begin() + static_cast<long>(pick));
    }
  }
  apply(aktif, &images_);
  content_.aktif = next;
  event->writes.clear();
  if (order != 1) event->writes.push_back(aktif);
  event->writes.insert(event->writes.end(), rates.begin(), rates.end());
  if (order == 1) event->writes.push_back(aktif);
  return true;
}

}  // namespace kx::test
