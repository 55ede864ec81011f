// The tree shapes that events need: a key for a given leaf, full leaves and
// paths, leaves to merge.
#include <algorithm>

#include "support/torn/pos_files.h"
#include "support/torn/pos_writer.h"

namespace kx::test {
namespace {

namespace cdx_pages = writer::cdx_pages;
using cdx_pages::Entry;
using cdx_pages::kPage;
using cdx_pages::Page;
using namespace pos_files;

constexpr int kTries = 60;

}  // namespace

// A rate of a currency and date whose MU_TGL key goes into the leaf at leaf.
bool PosWriter::craft_into(uint64_t leaf, writer::Rate* rate) {
  TagEdit mu = edit(kMuTgl);
  Page page;
  if (!mu.page(leaf, &page) || page.entries.empty()) return false;
  const std::vector<Entry>& e = page.entries;
  for (int tries = 0; tries < kTries; ++tries) {
    const int64_t i = static_cast<int64_t>(random(e.size())) - (tries % 4 == 3 ? 1 : 0);
    int64_t currency = 0;
    Date date;
    if (i < 0) {
      if (!parse_key(e.front().key, &currency, &date)) continue;
      date = Date::from_julian(date.julian() - 1 - static_cast<int64_t>(random(3)));
    } else {
      int64_t next_currency = 0;
      Date next_date;
      if (!parse_key(e[i].key, &currency, &date)) continue;
      const bool last = static_cast<size_t>(i) + 1 == e.size();
      if (last || !parse_key(e[i + 1].key, &next_currency, &next_date)) continue;
      if (next_currency == currency) {
        const int64_t gap = next_date.julian() - date.julian();
        if (gap <= 0) continue;
        const int64_t aktif = content_.aktif.julian();
        date = aktif >= date.julian() && aktif < next_date.julian() && random(2) == 0
                   ? content_.aktif
                   : Date::from_julian(date.julian() + static_cast<int64_t>(random(gap)));
      } else {
        date = Date::from_julian(date.julian() + static_cast<int64_t>(random(31)));
      }
    }
    if (currency < 2 || date.empty()) continue;
    const writer::Rate candidate = make_rate(currency, date);
    std::vector<Page> path;
    std::vector<size_t> slots;
    if (mu.path(mu_entry(candidate, static_cast<uint32_t>(content_.rates.size() + 1)), &path,
                &slots) &&
        path.back().offset == leaf) {
      *rate = candidate;
      return true;
    }
  }
  // A second record of an entry's key lands after the entries of that key.
  for (const Entry& entry : e) {
    int64_t currency = 0;
    Date date;
    if (entry.key == e.back().key || !parse_key(entry.key, &currency, &date)) continue;
    *rate = make_rate(currency, date);
    return true;
  }
  return false;
}

// Whether every node from the root down to leaf is at its cap, so that an
// insert into the leaf splits the root too.
bool PosWriter::full_path(TagEdit* mu, const Page& leaf) {
  std::vector<Page> path;
  std::vector<size_t> slots;
  if (!mu->path(leaf.entries.front(), &path, &slots)) return false;
  for (const Page& p : path) {
    if (p.entries.size() != (p.leaf() ? caps_.leaf : caps_.interior)) return false;
  }
  return true;
}

// A leaf with caps_.leaf entries whose split stops below the root (or, with
// root, the first leaf when its whole path is full); false when none.
bool PosWriter::full_leaf(bool root, uint64_t* leaf, std::string* error) {
  TagEdit mu = edit(kMuTgl);
  std::vector<Page> leaves;
  std::vector<uint64_t> parents;
  if (!mu.leaves(&leaves, &parents)) return *error = mu.error(), false;
  if (root) {
    *leaf = leaves.front().offset;
    return full_path(&mu, leaves.front());
  }
  std::vector<uint64_t> hot_leaves, hot, any;
  for (const Entry& h : hot_entries()) {
    std::vector<Page> path;
    std::vector<size_t> slots;
    if (mu.path(h, &path, &slots)) hot_leaves.push_back(path.back().offset);
  }
  for (const Page& candidate : leaves) {
    if (candidate.entries.size() != caps_.leaf || full_path(&mu, candidate)) continue;
    any.push_back(candidate.offset);
    if (std::count(hot_leaves.begin(), hot_leaves.end(), candidate.offset) != 0)
      hot.push_back(candidate.offset);
  }
  const std::vector<uint64_t>& pick = !hot.empty() && random(10) < 7 ? hot : any;
  if (pick.empty()) return false;
  *leaf = pick[random(pick.size())];
  return true;
}

// The fullest leaf whose split would stop below the root; 0 when none.
uint64_t PosWriter::fullest_leaf(const std::vector<uint64_t>& excluded) {
  TagEdit mu = edit(kMuTgl);
  std::vector<Page> leaves;
  std::vector<uint64_t> parents;
  if (!mu.leaves(&leaves, &parents)) return 0;
  uint64_t best = 0;
  size_t most = 0;
  for (size_t i = 0; i < leaves.size(); ++i) {
    Page full = leaves[i];
    full.entries.resize(caps_.leaf, full.entries.back());
    if (parents[i] == 0 || leaves[i].entries.size() <= most || full_path(&mu, full) ||
        std::count(excluded.begin(), excluded.end(), leaves[i].offset) != 0)
      continue;
    best = leaves[i].offset;
    most = leaves[i].entries.size();
  }
  return best;
}

// Leaf inserts into leaf until it is full; false without *error when no key
// can be made for it.
bool PosWriter::fill_leaf(uint64_t leaf, std::vector<PosEvent>* events, std::string* error) {
  for (;;) {
    Page page;
    TagEdit mu = edit(kMuTgl);
    if (!mu.page(leaf, &page)) return *error = mu.error(), false;
    if (page.entries.size() >= caps_.leaf) return true;
    writer::Rate rate;
    if (!craft_into(leaf, &rate)) return false;
    PosEvent event{EventKind::kLeafInsert, 0, {}, {}};
    if (!append(rate, 0, WriteOrder{}, false, &event.writes, error)) return false;
    push(std::move(event), events);
  }
}

bool PosWriter::merge_candidate(uint64_t* left) {
  TagEdit mu = edit(kMuTgl);
  std::vector<Page> leaves;
  std::vector<uint64_t> parents;
  if (!mu.leaves(&leaves, &parents)) return false;
  std::vector<uint64_t> found;
  for (size_t i = 0; i + 1 < leaves.size(); ++i) {
    if (parents[i] != 0 && parents[i] == parents[i + 1] &&
        leaves[i].entries.size() + leaves[i + 1].entries.size() <= caps_.leaf) {
      found.push_back(leaves[i].offset);
    }
  }
  if (found.empty()) return false;
  *left = found[random(found.size())];
  return true;
}

}  // namespace kx::test
