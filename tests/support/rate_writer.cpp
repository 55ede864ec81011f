#include "support/rate_writer.h"

#include "platform/platform.h"
#include "tables/cdx/key_encoding.h"
#include "tablewriter/cdx_pages.h"
#include "tablewriter/dbf_writer.h"

namespace kx::test {
namespace {

namespace cdx_pages = writer::cdx_pages;
using writer::build_dbf;
using writer::DbfSpec;
using writer::header_length;
using writer::mu_tgl_key;
using writer::Rate;
using writer::record_length;
using writer::Row;

constexpr uint8_t kVersion = 0x30;
constexpr size_t kCountField = 4;  // LE32 record count in the table header
constexpr int64_t kCurrencyScale = 10000000;

// The table's layout as write_rate_table makes it.
DbfSpec rate_spec(int width) {
  DbfSpec spec{kVersion, {}};
  spec.table_flags = 0x01;
  spec.fields = {{"MAUANG_ID", 'N', width},
                 {"TANGGAL", 'D'},
                 {"KURS_BELI", 'N', 14, 2},
                 {"KURS_JUAL", 'N', 14, 2}};
  return spec;
}

class PausingStore : public PageStore {
 public:
  PausingStore(std::unique_ptr<PageStore> store, uint32_t pause_ms)
      : store_(std::move(store)), pause_ms_(pause_ms) {}
  bool size(uint64_t* size) override { return store_->size(size); }
  bool read(uint64_t offset, size_t length, std::string* bytes) override {
    return store_->read(offset, length, bytes);
  }
  bool write(uint64_t offset, const std::string& bytes) override {
    const bool written = store_->write(offset, bytes);
    platform::sleep_ms(pause_ms_);
    return written;
  }

 private:
  const std::unique_ptr<PageStore> store_;
  const uint32_t pause_ms_;
};

uint16_t le16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                               (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

}  // namespace

Rate written_rate(uint32_t recno, const RateWriterOptions& options) {
  Rate rate;
  rate.currency_id = options.currency_ids[recno % options.currency_ids.size()];
  const int64_t spread = recno % 3 == 0 ? 31 : 366;
  const int64_t back = recno % 11 == 0 ? 0 : (static_cast<int64_t>(recno) * 7919) % spread;
  rate.tanggal = Date::from_julian(options.around.julian() - back);
  const std::string whole = std::to_string(rate.currency_id * kCurrencyScale + recno);
  rate.kurs_beli = whole + ".25";
  rate.kurs_jual = whole + ".75";
  return rate;
}

RateWriter::RateWriter(std::unique_ptr<PageStore> table, std::unique_ptr<PageStore> index,
                       const RateWriterOptions& options, uint16_t header_length,
                       uint16_t record_length, uint32_t count)
    : table_(std::move(table)),
      index_store_(std::move(index)),
      index_(index_store_.get()),
      options_(options),
      header_length_(header_length),
      record_length_(record_length),
      count_(count) {}

std::unique_ptr<RateWriter> RateWriter::open(const std::string& data_folder,
                                             const RateWriterOptions& options, std::string* error) {
  std::unique_ptr<PageStore> table = open_file_store(data_folder + "M_KURSMA.KV3", error);
  if (!table) return nullptr;
  std::unique_ptr<PageStore> index = open_file_store(data_folder + "M_KURSMA.CDX", error);
  if (!index) return nullptr;
  if (options.index_write_pause_ms != 0) {
    index = std::make_unique<PausingStore>(std::move(index), options.index_write_pause_ms);
  }
  std::string head;
  if (!table->read(0, 12, &head)) {
    *error = "cannot read the header of M_KURSMA.KV3";
    return nullptr;
  }
  const DbfSpec spec = rate_spec(options.mauang_id_width);
  if (le16(head, 8) != header_length(spec) || le16(head, 10) != record_length(spec)) {
    *error = "M_KURSMA.KV3 is not laid out as the installation writes it";
    return nullptr;
  }
  const uint32_t count = cdx_pages::get_le32(head, kCountField);
  return std::unique_ptr<RateWriter>(new RateWriter(std::move(table), std::move(index), options,
                                                    le16(head, 8), le16(head, 10), count));
}

bool RateWriter::append(const Rate& rate, bool header_first, std::string* error) {
  const DbfSpec spec = rate_spec(options_.mauang_id_width);
  const std::string file =
      build_dbf(spec, {Row{{rate.currency_id, rate.tanggal, rate.kurs_beli, rate.kurs_jual}}}).dbf;
  const std::string record = file.substr(header_length_, record_length_) + "\x1A";
  const uint32_t recno = count_ + 1;
  std::string count(4, '\0');
  cdx_pages::set_le32(&count, 0, recno);
  const uint64_t at = header_length_ + static_cast<uint64_t>(count_) * record_length_;
  const bool written = header_first
                           ? table_->write(kCountField, count) && table_->write(at, record)
                           : table_->write(at, record) && table_->write(kCountField, count);
  if (!written) {
    *error = "cannot append record " + std::to_string(recno) + " to M_KURSMA.KV3";
    return false;
  }
  count_ = recno;
  const std::string mu_tgl = mu_tgl_key(rate.currency_id, rate.tanggal, options_.mauang_id_width);
  return index_.insert("MU_TGL", mu_tgl, recno, ' ', error) &&
         index_.insert("TANGGAL", tables::cdx::encode_date(rate.tanggal), recno, '\0', error);
}

bool run_rate_writer(const std::string& data_folder, const RateWriterOptions& options,
                     std::string* error) {
  std::unique_ptr<RateWriter> writer = RateWriter::open(data_folder, options, error);
  if (!writer) return false;
  for (uint64_t i = 0; options.iterations == 0 || i < options.iterations; ++i) {
    if (options.max_records != 0 && writer->record_count() >= options.max_records) return true;
    const Rate rate = written_rate(writer->record_count() + 1, options);
    if (!writer->append(rate, i % 2 == 1, error)) return false;
    if (options.burst != 0 && i % options.burst == options.burst - 1) platform::sleep_ms(1);
  }
  return true;
}

}  // namespace kx::test
