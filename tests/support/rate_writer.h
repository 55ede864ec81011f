// Appends exchange-rate records to an installation's M_KURSMA table and
// inserts their keys into M_KURSMA.CDX (tags MU_TGL and TANGGAL), the way the
// point-of-sale application does while the program reads the same files.
// The rates are derived from the record number, so a checker can tell every
// rate that the writer ever wrote.
#ifndef KX_TESTS_SUPPORT_RATE_WRITER_H_
#define KX_TESTS_SUPPORT_RATE_WRITER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/values/date.h"
#include "support/cdx_updater.h"
#include "support/page_store.h"
#include "tablewriter/pos_installation.h"

namespace kx::test {

struct RateWriterOptions {
  std::vector<int64_t> currency_ids = {2};  // record n is for currency_ids[n % size]
  Date around;                              // rates lie within a year before it, some on it
  int mauang_id_width = 4;                  // as the installation was written with
  uint64_t iterations = 0;                  // appends before run_rate_writer returns; 0: no end
  uint32_t burst = 0;                       // appends between pauses of a millisecond; 0: none
  uint32_t max_records = 0;                 // run_rate_writer stops at this count; 0: none
  // A pause after each write to the index: a slow writer, whose changes
  // readers meet half made far more often.
  uint32_t index_write_pause_ms = 0;
};

// The rate the writer appends as record recno: currency currency_ids[recno %
// size]; every eleventh on `around`, of the others every third within the 30
// days before it and the rest spread over the year before it; buy rate
// currency * 10^7 + recno with ".25", sell the same with ".75".
writer::Rate written_rate(uint32_t recno, const RateWriterOptions& options);

class RateWriter {
 public:
  // Opens M_KURSMA.KV3 and M_KURSMA.CDX in data_folder (ending in a
  // separator) for writing; nullptr with *error when they cannot be opened or
  // the table is not laid out as the installation writes it.
  static std::unique_ptr<RateWriter> open(const std::string& data_folder,
                                          const RateWriterOptions& options, std::string* error);

  // Appends rate as the next record, then inserts its keys. With header_first
  // the header's record count is raised before the record's bytes are
  // written, else after them; each is one write.
  bool append(const writer::Rate& rate, bool header_first, std::string* error);
  uint32_t record_count() const { return count_; }
  const CdxUpdateStats& index_stats() const { return index_.stats(); }

 private:
  RateWriter(std::unique_ptr<PageStore> table, std::unique_ptr<PageStore> index,
             const RateWriterOptions& options, uint16_t header_length, uint16_t record_length,
             uint32_t count);

  const std::unique_ptr<PageStore> table_;
  const std::unique_ptr<PageStore> index_store_;
  CdxUpdater index_;
  const RateWriterOptions options_;
  const uint16_t header_length_;
  const uint16_t record_length_;
  uint32_t count_;
};

// Appends written_rate(n) for the next record numbers n, alternating the
// order of the two table writes, options.iterations times (until the process
// is killed when 0, or until options.max_records). False with *error on the
// first failure.
bool run_rate_writer(const std::string& data_folder, const RateWriterOptions& options,
                     std::string* error);

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_RATE_WRITER_H_
