// What a reader does when what it read disagrees with itself: another
// application may be writing the file, one write at a time. The reader reads
// again from the file at once (what it had kept may be older than the file),
// then once more taking the leaf level as the truth where the file still
// gives one answer, then again after short waits that grow, for as long as
// the file keeps changing. What stays the same through kQuietMs of waiting
// and still disagrees is damage: the reader reports it as it found it. A file
// that never settles is given up after kMaxWaitMs in all, with a read error.
#ifndef KX_TABLES_REREADING_H_
#define KX_TABLES_REREADING_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "tables/paged_file.h"
#include "tables/status.h"

namespace kx::tables {

constexpr uint32_t kQuietMs = 24;
constexpr uint32_t kMaxWaitMs = 200;

// How an attempt reads: from the pages kept or from the file, strictly or
// taking the leaf level as the truth (cdx/tree_walk.h).
struct ReadAttempt {
  PagedFile::Freshness freshness = PagedFile::Freshness::kKept;
  bool tolerant = false;
};

// Whether a failure may come from a change half made (corruption, or a range
// that the file does not hold yet), so that reading again may help. A failed
// read call does not: it is reported as it is.
bool may_be_half_written(const Status& failure);

class Rereading {
 public:
  // file is the file being re-read; what names it in the error of a file
  // that never settles ("tag header 0x400").
  Rereading(PagedFile* file, std::string what);

  // After a failed attempt: true, with *next set, when another attempt is
  // worth making (it has waited as long as that attempt needs); false when
  // the failure stands, after which verdict() tells the error to report.
  bool again(const Status& failure, ReadAttempt* next);
  const Status& verdict() const { return verdict_; }

 private:
  PagedFile* const file_;
  const std::string what_;
  size_t attempts_ = 0;
  uint32_t waited_ = 0;
  uint32_t quiet_ = 0;
  Status verdict_;
};

// Runs attempt(ReadAttempt) -> Status until it succeeds or Rereading says the
// failure stands; returns the last attempt's status or the verdict. what()
// gives Rereading's name for the file, asked for only once an attempt failed.
template <class What, class Attempt>
Status read_until_settled(PagedFile* file, What what, Attempt attempt) {
  ReadAttempt mode;
  Status s = attempt(mode);
  if (s.ok()) return s;
  Rereading rereading(file, what());
  while (rereading.again(s, &mode)) {
    s = attempt(mode);
    if (s.ok()) return s;
  }
  return rereading.verdict();
}

}  // namespace kx::tables

#endif  // KX_TABLES_REREADING_H_
