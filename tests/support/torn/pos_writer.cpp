#include "support/torn/pos_writer.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "support/torn/index_rebuild.h"
#include "support/torn/pos_files.h"
#include "tables/cdx/key_encoding.h"

namespace kx::test {
namespace {

namespace cdx_pages = writer::cdx_pages;
using cdx_pages::Entry;
using namespace pos_files;

bool read_file(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  *bytes = s.str();
  return static_cast<bool>(in);
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
  const writer::DbfSpec layout = rate_layout();
  if (rates.size() < 12 || le_field(rates, 8, 2) != writer::header_length(layout) ||
      le_field(rates, 10, 2) != writer::record_length(layout) ||
      le_field(rates, kCountField, 4) != content_.rates.size()) {
    *error = "M_KURSMA.KV3 is not laid out as the installation writes it";
    return false;
  }
  rate_header_length_ = writer::header_length(layout);
  rate_record_length_ = writer::record_length(layout);
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
          rate_layout(),
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
