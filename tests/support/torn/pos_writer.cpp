#include "support/torn/pos_writer.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "support/torn/index_rebuild.h"
#include "tables/cdx/key_encoding.h"
#include "tablewriter/dbf_writer.h"

namespace kx::test {
namespace {

namespace cdx_pages = writer::cdx_pages;
using cdx_pages::Entry;
using cdx_pages::kPage;
using cdx_pages::Page;

constexpr const char* kControl = "M_KONTRO.KV3";
constexpr const char* kRates = "M_KURSMA.KV3";
constexpr const char* kIndex = "M_KURSMA.CDX";
constexpr const char* kMuTgl = "MU_TGL";
constexpr const char* kTanggal = "TANGGAL";
constexpr int kIdWidth = 4;
constexpr size_t kCountField = 4;
constexpr size_t kRebuildHead = 3584;  // headers and the directory leaf of a rebuilt index
constexpr int kTries = 60;

writer::DbfSpec rate_spec() {
  writer::DbfSpec spec{0x30, {}};
  spec.table_flags = 0x01;
  spec.fields = {{"MAUANG_ID", 'N', kIdWidth},
                 {"TANGGAL", 'D'},
                 {"KURS_BELI", 'N', 14, 2},
                 {"KURS_JUAL", 'N', 14, 2}};
  return spec;
}

writer::Rate rate_for(int64_t currency, const Date& date, size_t recno) {
  const std::string whole = std::to_string(currency * 1000000 + static_cast<int64_t>(recno));
  return {currency, date, whole + ".25", whole + ".75"};
}

uint32_t le_field(const std::string& bytes, size_t at, size_t width) {
  uint32_t v = 0;
  for (size_t i = width; i > 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i - 1]);
  return v;
}

bool aktif_offset(const std::string& dbf, uint64_t* offset) {
  if (dbf.size() < 32) return false;
  for (size_t at = 32; at + 32 <= dbf.size() && dbf[at] != 0x0D; at += 32) {
    const std::string name = dbf.substr(at, 11).c_str();
    if (name == "AKTIF") {
      *offset = le_field(dbf, 8, 2) + le_field(dbf, at + 12, 4);
      return true;
    }
  }
  return false;
}

bool read_file(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  *bytes = s.str();
  return static_cast<bool>(in);
}

Entry mu_entry(const writer::Rate& rate, uint32_t recno) {
  return {writer::mu_tgl_key(rate.currency_id, rate.tanggal, kIdWidth), recno, 0};
}

// The rate whose MU_TGL key is key, with recno.
bool parse_key(const std::string& key, int64_t* currency, Date* date) {
  if (key.size() < 12) return false;
  *currency = std::atoi(key.substr(0, 4).c_str());
  *date = Date::from_dtos(key.substr(4, 8));
  return !date->empty();
}

}  // namespace

const char* event_kind_name(EventKind kind) {
  static const char* const kNames[kEventKinds] = {"append",
                                                  "leaf insert",
                                                  "split to a new page",
                                                  "split into a free page",
                                                  "keys moved between pages",
                                                  "root split",
                                                  "index rebuild",
                                                  "day close"};
  return kNames[static_cast<size_t>(kind)];
}

const std::vector<std::string>& event_orders(EventKind kind) {
  static const std::vector<std::string> kOrders[kEventKinds] = {
      {"record+marker, count, index", "record, marker, count, index", "index, record+marker, count",
       "count, record+marker, index", "record in 3 writes, marker, count, index",
       "record back part first, front, count, index", "count, index, record+marker",
       "record+marker, index, count", "marker, count, record, index",
       "marker, count, index, record"},
      {"table, leaf then parents", "table, parents then leaf", "leaf then parents, table"},
      {"child first, new page first", "parent first, split node first",
       "parent first, new page first", "child first, split node first"},
      {"child first, new page first", "parent first, split node first",
       "parent first, new page first", "child first, split node first"},
      {"rebalance: receiver, giver, parent", "rebalance: giver, receiver, parent",
       "rebalance: parent, receiver, giver", "rebalance: giver, parent, receiver",
       "respread: leaves left to right, parent", "respread: parent, leaves left to right",
       "respread: leaves right to left, parent", "merge: child first", "merge: parent first"},
      {"child first", "parent first, split nodes first", "parent first, new pages first"},
      {"truncate, pieces front to back", "truncate, pieces back to front",
       "truncate, pages, headers last"},
      {"AKTIF, then the day's rates", "the day's rates, then AKTIF", "AKTIF alone"},
  };
  return kOrders[static_cast<size_t>(kind)];
}

std::vector<Entry> model_entries(const PosContent& content, const std::string& tag) {
  std::vector<Entry> out;
  for (size_t i = 0; i < content.rates.size(); ++i) {
    const uint32_t recno = static_cast<uint32_t>(i + 1);
    const writer::Rate& r = content.rates[i];
    out.push_back(tag == kMuTgl ? mu_entry(r, recno)
                                : Entry{tables::cdx::encode_date(r.tanggal), recno, 0});
  }
  std::sort(out.begin(), out.end(), cdx_pages::entry_less);
  return out;
}

bool initial_installation(const std::string& folder, const TreeCaps& caps,
                          Installation* installation, std::string* error) {
  PosContent& content = installation->content;
  content.currencies = {{1, "IDR", "Rupiah"},
                        {2, "USD", "US Dollar"},
                        {3, "EUR", "Euro"},
                        {4, "JPY", "Yen"},
                        {5, "SGD", "Singapore Dollar"}};
  content.aktif = Date::from_ymd(2026, 3, 15);
  // USD every 3 days; EUR every 4, its March beginning on the 10th; JPY
  // every 5 but none in March (the year step); SGD every 6 up to 2025 only
  // (the previous-year step).
  const int64_t first = Date::from_ymd(2025, 1, 1).julian();
  const int64_t last = content.aktif.julian() - 1;
  for (int64_t day = first; day <= last; ++day) {
    const Date d = Date::from_julian(day);
    const bool march = d.year() == 2026 && d.month() == 3;
    const auto add = [&](int64_t id) {
      content.rates.push_back(rate_for(id, d, content.rates.size() + 1));
    };
    if ((day - first) % 3 == 0) add(2);
    if ((day - first) % 4 == 0 && (!march || d.day() >= 10)) add(3);
    if ((day - first) % 5 == 0 && !march) add(4);
    if ((day - first) % 6 == 0 && d.year() == 2025) add(5);
  }
  writer::Control control;
  control.aktif = content.aktif;
  if (!writer::write_control_table(folder, control) ||
      !writer::write_currency_table(folder, content.currencies) ||
      !writer::write_rate_table(folder, content.rates)) {
    *error = "cannot write the installation into " + folder;
    return false;
  }
  for (const char* name :
       {"M_KONTRO.KV3", "M_MAUANG.KV3", "M_MAUANG.CDX", "M_KURSMA.KV3", "M_KURSMA.CDX"}) {
    if (!read_file(folder + name, &installation->images[name])) {
      *error = "cannot read " + folder + name;
      return false;
    }
  }
  std::vector<CdxTag> tags;
  if (!read_tags(installation->images[kIndex], &tags, error)) return false;
  std::vector<std::vector<Entry>> entries;
  for (CdxTag& tag : tags) {
    tag.fill = tag.name == kMuTgl ? ' ' : '\0';
    entries.push_back(model_entries(content, tag.name));
  }
  installation->images[kIndex] =
      rebuild_index(installation->images[kIndex], tags, entries, caps, kMuTgl);
  return true;
}

PosWriter::PosWriter(const Installation& installation, const TreeCaps& caps, uint64_t seed)
    : content_(installation.content), images_(installation.images), caps_(caps), rng_(seed) {}

std::unique_ptr<PosWriter> PosWriter::open(const Installation& installation, const TreeCaps& caps,
                                           uint64_t seed, std::string* error) {
  std::unique_ptr<PosWriter> w(new PosWriter(installation, caps, seed));
  if (!w->load(error)) return nullptr;
  return w;
}

bool PosWriter::load(std::string* error) {
  if (!read_tags(images_[kIndex], &tags_, error)) return false;
  for (CdxTag& t : tags_) t.fill = t.name == kMuTgl ? ' ' : '\0';
  const std::string& rates = images_[kRates];
  const writer::DbfSpec spec = rate_spec();
  if (rates.size() < 12 || le_field(rates, 8, 2) != writer::header_length(spec) ||
      le_field(rates, 10, 2) != writer::record_length(spec) ||
      le_field(rates, kCountField, 4) != content_.rates.size()) {
    *error = "M_KURSMA.KV3 is not laid out as the installation writes it";
    return false;
  }
  rate_header_length_ = writer::header_length(spec);
  rate_record_length_ = writer::record_length(spec);
  if (!aktif_offset(images_[kControl], &aktif_offset_)) {
    *error = "M_KONTRO.KV3 has no field AKTIF";
    return false;
  }
  return true;
}

const CdxTag& PosWriter::tag(const std::string& name) const {
  for (const CdxTag& t : tags_) {
    if (t.name == name) return t;
  }
  return tags_.front();
}

TagEdit PosWriter::edit(const std::string& name) const {
  return TagEdit(images_.at(kIndex), tag(name), caps_);
}

writer::Rate PosWriter::make_rate(int64_t currency, const Date& date) const {
  return rate_for(currency, date, content_.rates.size() + 1);
}

Date PosWriter::hot_date() {
  const Date d = content_.aktif;
  const int64_t jan1 = Date::from_ymd(d.year(), 1, 1).julian();
  const uint64_t r = random(100);
  if (r < 25) return d;
  if (r < 45) return Date::from_ymd(d.year(), d.month(), 1 + static_cast<int>(random(d.day())));
  if (r < 60) return Date::from_julian(jan1 + static_cast<int64_t>(random(d.julian() - jan1 + 1)));
  if (r < 75) return Date::from_julian(jan1 - 1 - static_cast<int64_t>(random(365)));
  if (r < 85) return Date::from_julian(d.julian() + 1 + static_cast<int64_t>(random(20)));
  return Date::from_julian(d.julian() - 1 - static_cast<int64_t>(random(730)));
}

std::vector<Entry> PosWriter::hot_entries() const {
  std::vector<Entry> out;
  for (const writer::Currency& c : content_.currencies) {
    if (c.id == 1) continue;
    const uint32_t n = applicable_record(content_.rates, c.id, content_.aktif);
    out.push_back(n != 0 ? mu_entry(content_.rates[n - 1], n)
                         : Entry{writer::mu_tgl_key(c.id, content_.aktif, kIdWidth), 0, 0});
  }
  return out;
}

// Appends rate as the next record and inserts its keys, applying the writes
// to the model as they are made (they touch distinct bytes, so the order
// in *writes does not change the end state).
bool PosWriter::append(const writer::Rate& rate, size_t table_order, const WriteOrder& index_order,
                       bool free_list, std::vector<WriteCall>* writes, std::string* error) {
  const uint32_t recno = static_cast<uint32_t>(content_.rates.size() + 1);
  std::vector<WriteCall> index;
  {
    TagEdit mu = edit(kMuTgl);
    if (!mu.insert(mu_entry(rate, recno), free_list)) return *error = mu.error(), false;
    index = mu.writes(kIndex, index_order);
    for (const WriteCall& w : index) apply(w, &images_);
  }
  {
    TagEdit tg = edit(kTanggal);
    if (!tg.insert({tables::cdx::encode_date(rate.tanggal), recno, 0}, false))
      return *error = tg.error(), false;
    for (const WriteCall& w : tg.writes(kIndex, WriteOrder{})) {
      apply(w, &images_);
      index.push_back(w);
    }
  }
  const std::string record =
      writer::build_dbf(
          rate_spec(),
          {writer::Row{{rate.currency_id, rate.tanggal, rate.kurs_beli, rate.kurs_jual}}})
          .dbf.substr(rate_header_length_, rate_record_length_);
  const uint64_t at = rate_header_length_ + (recno - 1) * rate_record_length_;
  std::string count(4, '\0');
  cdx_pages::set_le32(&count, 0, recno);
  const WriteCall whole{kRates, at, record + "\x1A", false};
  const WriteCall bare{kRates, at, record, false};
  const WriteCall marker{kRates, at + rate_record_length_, "\x1A", false};
  const WriteCall counted{kRates, kCountField, count, false};
  const auto part = [&](size_t from, size_t to, bool with_marker) {
    return WriteCall{kRates, at + from,
                     record.substr(from, to - from) + (with_marker ? "\x1A" : ""), false};
  };
  const size_t third = rate_record_length_ / 3;
  std::vector<WriteCall> table;
  switch (table_order) {
    case 1:
      table = {bare, marker, counted};
      break;
    case 2:
      table = {whole, counted};
      break;
    case 3:
      table = {counted, whole};
      break;
    case 4:
      table = {part(0, third, false), part(third, 2 * third, false),
               part(2 * third, rate_record_length_, false), marker, counted};
      break;
    case 5:
      table = {part(third, rate_record_length_, true), part(0, third, false), counted};
      break;
    case 6:
      table = {counted, whole};
      break;
    case 7:
      table = {whole, counted};
      break;
    case 8:
    case 9:
      // The file first grows by a record (the old marker and zero bytes in it).
      table = {marker, counted, bare};
      break;
    default:
      table = {whole, counted};
      break;
  }
  for (const WriteCall& w : table) apply(w, &images_);
  content_.rates.push_back(rate);
  if (table_order == 2 || table_order == 6 || table_order == 9) {
    // The index before the table (2), or before the record's bytes (6, 9).
    for (size_t keep = table_order == 9 ? 2 : table_order == 6 ? 1 : 0; keep > 0; --keep) {
      writes->push_back(table.front());
      table.erase(table.begin());
    }
    writes->insert(writes->end(), index.begin(), index.end());
    writes->insert(writes->end(), table.begin(), table.end());
  } else if (table_order == 7) {
    writes->push_back(table.front());
    writes->insert(writes->end(), index.begin(), index.end());
    writes->push_back(table.back());
  } else {
    writes->insert(writes->end(), table.begin(), table.end());
    writes->insert(writes->end(), index.begin(), index.end());
  }
  return true;
}

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

void PosWriter::push(PosEvent event, std::vector<PosEvent>* events) const {
  event.after = content_;
  events->push_back(std::move(event));
}

void PosWriter::finish(PosEvent* event) {
  for (const WriteCall& w : event->writes) apply(w, &images_);
}

bool PosWriter::next(EventKind kind, size_t order, std::vector<PosEvent>* events,
                     std::string* error) {
  error->clear();
  order %= event_orders(kind).size();
  PosEvent event{kind, order, {}, {}};
  switch (kind) {
    case EventKind::kAppend:
      if (!event_append(order, &event, error)) return false;
      break;
    case EventKind::kLeafInsert:
      if (!event_leaf_insert(order, &event, error)) return false;
      break;
    case EventKind::kSplitNew:
    case EventKind::kSplitFree:
    case EventKind::kRootSplit:
      return event_split(kind, order, events, error);
    case EventKind::kMove:
      return event_move(order, events, &event, error);
    case EventKind::kRebuild:
      if (!event_rebuild(order, &event, error)) return false;
      break;
    case EventKind::kDayClose:
      if (!event_day_close(order, &event, error)) return false;
      break;
  }
  push(std::move(event), events);
  return true;
}

bool EventSchedule::next(PosWriter* writer, std::vector<PosEvent>* events, std::string* error) {
  static constexpr EventKind kRound[kEventKinds] = {
      EventKind::kRebuild,  EventKind::kRootSplit, EventKind::kAppend,    EventKind::kLeafInsert,
      EventKind::kSplitNew, EventKind::kMove,      EventKind::kSplitFree, EventKind::kDayClose};
  const EventKind kind = kRound[step_++ % kEventKinds];
  if (writer->next(kind, made_[static_cast<size_t>(kind)]++, events, error)) return true;
  *error = std::string(event_kind_name(kind)) + ": " + *error;
  return false;
}

}  // namespace kx::test
