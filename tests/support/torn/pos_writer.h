// A model of the point-of-sale application writing its tables while other
// programs read them: it keeps the content (PosContent) and the bytes of the
// files it changes (M_KONTRO.KV3, M_KURSMA.KV3, M_KURSMA.CDX), and makes
// EVENTS, each a list of single write calls that take the files from one
// finished state to the next. Applied one call at a time they show a reader
// every torn state that the real writer leaves between two calls.
//
// Every event kind comes in several write orders (see event_orders()). The
// same seed gives the same events, so a state can be made again alone.
#ifndef KX_TESTS_SUPPORT_TORN_POS_WRITER_H_
#define KX_TESTS_SUPPORT_TORN_POS_WRITER_H_

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/torn/pos_content.h"
#include "support/torn/tag_edit.h"
#include "support/torn/write_call.h"

namespace kx::test {

enum class EventKind {
  kAppend,      // a rate appended, table and index written in several orders
  kLeafInsert,  // a rate whose key goes into a leaf with room
  kSplitNew,    // a rate whose leaf splits to a new page at the end of the file
  kSplitFree,   // a rate whose leaf splits into a page from the free list
  kMove,        // keys moved between existing pages: rebalance, respread, merge
  kRootSplit,   // a rate whose insert splits every level up to the root
  kRebuild,     // the index truncated and written anew in pieces
  kDayClose,    // AKTIF moves on a day, maybe with that day's rates
};
constexpr size_t kEventKinds = 8;
const char* event_kind_name(EventKind kind);
// The write orders of a kind, by the order number that PosEvent carries.
const std::vector<std::string>& event_orders(EventKind kind);

struct PosEvent {
  EventKind kind = EventKind::kAppend;
  size_t order = 0;  // into event_orders(kind)
  std::vector<WriteCall> writes;
  PosContent after;  // the content once every write is made
};

// A fresh installation: the currencies, a year and more of rate history and
// an index three or more levels deep, with the files' bytes (M_MAUANG's too).
struct Installation {
  PosContent content;
  FileImages images;
};
// Writes its tables through the table writer into scratch_folder (which must
// exist) and reads them back. False with *error.
bool initial_installation(const std::string& scratch_folder, const TreeCaps& caps,
                          Installation* installation, std::string* error);

class PosWriter {
 public:
  // False with *error when the images are not laid out as the installation
  // writes them.
  static std::unique_ptr<PosWriter> open(const Installation& installation, const TreeCaps& caps,
                                         uint64_t seed, std::string* error);

  // Makes the next event of kind, in the write order order % orders, and
  // takes the model to its end. An event that needs a shape first (a full
  // leaf, a free page, a full path) is preceded by events of other kinds
  // that make it; all are appended to *events. False with *error.
  bool next(EventKind kind, size_t order, std::vector<PosEvent>* events, std::string* error);

  const PosContent& content() const { return content_; }
  const FileImages& images() const { return images_; }

 private:
  class EventBuilder;
  PosWriter(const Installation& installation, const TreeCaps& caps, uint64_t seed);
  bool load(std::string* error);

  uint64_t random(uint64_t n) { return n == 0 ? 0 : rng_() % n; }
  writer::Rate make_rate(int64_t currency, const Date& date) const;
  Date hot_date();
  TagEdit edit(const std::string& tag) const;
  const CdxTag& tag(const std::string& name) const;
  std::vector<writer::cdx_pages::Entry> hot_entries() const;

  bool append(const writer::Rate& rate, size_t table_order, const WriteOrder& index_order,
              bool free_list, std::vector<WriteCall>* writes, std::string* error);
  bool craft_into(uint64_t leaf, writer::Rate* rate);
  bool full_path(TagEdit* mu, const writer::cdx_pages::Page& leaf);
  bool full_leaf(bool root, uint64_t* leaf, std::string* error);
  uint64_t fullest_leaf(const std::vector<uint64_t>& excluded);
  bool fill_leaf(uint64_t leaf, std::vector<PosEvent>* events, std::string* error);
  bool event_append(size_t order, PosEvent* event, std::string* error);
  bool event_leaf_insert(size_t order, PosEvent* event, std::string* error);
  bool event_split(EventKind kind, size_t order, std::vector<PosEvent>* events, std::string* error);
  bool event_move(size_t order, std::vector<PosEvent>* events, PosEvent* event, std::string* error);
  bool event_rebuild(size_t order, PosEvent* event, std::string* error);
  bool event_day_close(size_t order, PosEvent* event, std::string* error);
  bool merge_candidate(uint64_t* left);
  void finish(PosEvent* event);
  void push(PosEvent event, std::vector<PosEvent>* events) const;

  PosContent content_;
  FileImages images_;
  const TreeCaps caps_;
  std::mt19937_64 rng_;
  std::vector<CdxTag> tags_;
  uint64_t rate_header_length_ = 0;
  uint64_t rate_record_length_ = 0;
  uint64_t aktif_offset_ = 0;  // of AKTIF in M_KONTRO's first record
};

// The order in which the sweep and the live writer make events: one of each
// kind a round, a rebuild first (it leaves a full path for the root split
// after it), each kind going through its write orders in turn.
class EventSchedule {
 public:
  // The next step's events (see PosWriter::next).
  bool next(PosWriter* writer, std::vector<PosEvent>* events, std::string* error);
  size_t rounds() const { return step_ / kEventKinds; }

 private:
  size_t step_ = 0;
  size_t made_[kEventKinds] = {};
};

// The keys each tag must hold for content, in key order: MU_TGL the
// currency zero-padded to 4 digits and DTOS(TANGGAL), TANGGAL the date.
std::vector<writer::cdx_pages::Entry> model_entries(const PosContent& content,
                                                    const std::string& tag);

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TORN_POS_WRITER_H_
