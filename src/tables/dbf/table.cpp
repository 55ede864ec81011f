#include "tables/dbf/table.h"

#include "runtime/text/ascii.h"
#include "tables/bytes.h"
#include "tables/dbf/dbf_format.h"
#include "tables/dbf/field_decode.h"
#include "tables/page_store.h"

namespace kx::tables::dbf {
namespace {

// The records that lie wholly inside a file of size bytes: the stated count,
// or fewer when the file is shorter.
uint32_t records_inside(const HeaderPrefix& prefix, uint64_t stated, uint64_t size) {
  const uint64_t room =
      size > prefix.header_length ? (size - prefix.header_length) / prefix.record_length : 0;
  return static_cast<uint32_t>(stated < room ? stated : room);
}

}  // namespace

bool Record::deleted() const {
  return !bytes.empty() && static_cast<uint8_t>(bytes[0]) == kRecordDeleted;
}

// The first read of a table: the header and, for a small table, all of it.
constexpr size_t kFirstRead = 8192;
// Tables up to this size (header, records and end marker) are read whole:
// half of what the file's pages can keep, so the pages stay kept.
constexpr uint64_t kSmallTable = PageStore::kMaxPages * PageStore::kPageSize / 2;

Status Table::read_layout() {
  Status s = file_.prefetch(0, kFirstRead);
  if (!s.ok()) return s;
  uint8_t prefix_bytes[kHeaderSize];
  s = file_.read(0, kHeaderSize, prefix_bytes);
  if (is_short_read(s)) {
    return Status::corruption(name(), "file of " + std::to_string(file_.known_size()) +
                                          " bytes is too short for a table header");
  }
  if (!s.ok()) return s;
  HeaderPrefix prefix;
  s = parse_header_prefix(ByteView(prefix_bytes, kHeaderSize), name(), &prefix);
  if (!s.ok()) return s;
  std::string header(prefix.header_length, '\0');
  s = file_.read(0, header.size(), header.data());
  if (is_short_read(s)) {
    return Status::corruption(name(), "file of " + std::to_string(file_.known_size()) +
                                          " bytes ends inside its header of " +
                                          std::to_string(prefix.header_length) + " bytes");
  }
  if (!s.ok()) return s;
  return parse_layout(ByteView(header), name(), &layout_);
}

// The records of the stated count that lie wholly inside the file, asking
// the file's size only when the size known so far does not hold them all
// (the file may have grown since).
Status Table::count_records(uint32_t stated, uint32_t* count) {
  const HeaderPrefix& prefix = layout_.prefix;
  uint64_t size = file_.known_size();
  if (records_inside(prefix, stated, size) < stated) {
    Status s = file_.refresh_size(&size);
    if (!s.ok()) return s;
  }
  stated_count_ = stated;
  *count = records_inside(prefix, stated, size);
  return Status();
}

std::unique_ptr<Table> Table::open(std::unique_ptr<platform::RandomAccessFile> file,
                                   std::unique_ptr<MemoFile> memo, Status* status) {
  std::unique_ptr<Table> table(new Table(std::move(file), std::move(memo)));
  *status = table->read_layout();
  if (!status->ok()) return nullptr;
  const HeaderPrefix& prefix = table->layout_.prefix;
  const uint64_t end = prefix.header_length + uint64_t{prefix.record_count} * prefix.record_length;
  if (end < kSmallTable) {
    *status = table->file_.prefetch(0, static_cast<size_t>(end) + 1);
    if (!status->ok()) return nullptr;
  }
  *status = table->count_records(prefix.record_count, &table->record_count_);
  if (!status->ok()) return nullptr;
  return table;
}

Status Table::refresh(uint32_t* count) {
  uint8_t prefix_bytes[kHeaderSize];
  Status s = file_.read(0, kHeaderSize, prefix_bytes, PagedFile::Freshness::kFromFile);
  if (is_short_read(s)) {
    return Status::corruption(name(),
                              "file shrank to " + std::to_string(file_.known_size()) + " bytes");
  }
  if (!s.ok()) return s;
  const uint16_t header_length = decode_le16(prefix_bytes + kHeaderLengthOffset);
  const uint16_t record_length = decode_le16(prefix_bytes + kRecordLengthOffset);
  if (header_length != layout_.prefix.header_length ||
      record_length != layout_.prefix.record_length) {
    return Status::corruption(name(), "header: header length " + std::to_string(header_length) +
                                          " or record length " + std::to_string(record_length) +
                                          " changed while the table was open");
  }
  s = count_records(decode_le32(prefix_bytes + kRecordCountOffset), &record_count_);
  if (!s.ok()) return s;
  *count = record_count_;
  return Status();
}

Status Table::read_record(uint32_t recno, Record* record, PagedFile::Freshness freshness) {
  if (recno == 0 || recno > record_count_) {
    return Status::corruption(name(), "record " + std::to_string(recno) +
                                          " is outside the table of " +
                                          std::to_string(record_count_) + " records");
  }
  return read_any_record(recno, record, freshness);
}

Status Table::read_any_record(uint32_t recno, Record* record, PagedFile::Freshness freshness) {
  const uint64_t length = layout_.prefix.record_length;
  const uint64_t offset =
      layout_.prefix.header_length + (static_cast<uint64_t>(recno) - 1) * length;
  record->recno = recno;
  record->bytes.assign(static_cast<size_t>(length), '\0');
  Status s = file_.read(offset, static_cast<size_t>(length), record->bytes.data(), freshness);
  if (!s.ok()) {
    record->bytes.clear();
    return s;
  }
  // Every record starts with a blank or an asterisk; anything else is a
  // record read from the wrong place (a damaged header length) or one that
  // is not written yet.
  const uint8_t flag = static_cast<uint8_t>(record->bytes[0]);
  if (flag != kRecordLive && flag != kRecordDeleted) {
    record->bytes.clear();
    return Status::corruption(name(), "record " + std::to_string(recno) + ": deletion flag 0x" +
                                          hex_digits(flag, 2) + " is neither blank nor *");
  }
  return s;
}

Status Table::value(const Record& record, size_t index, Value* value) {
  const Field& field = layout_.fields[index];
  const ByteView bytes(record.bytes);
  ByteView field_bytes;
  if (!bytes.slice(field.offset, field.width, &field_bytes)) {
    return Status::corruption(
        name(), "record " + std::to_string(record.recno) + " is too short for field " + field.name);
  }
  if (is_memo_type(field.type)) {
    std::string text;
    if (memo_) {
      Status s = memo_->read(memo_block(field_bytes), &text);
      if (!s.ok()) return s;
    }
    *value = Value::string(std::move(text));
    return Status();
  }
  ByteView null_flags;
  if (layout_.null_flags) {
    bytes.slice(layout_.null_flags->offset, layout_.null_flags->width, &null_flags);
  }
  *value = decode_field(field, field_bytes, null_flags);
  return Status();
}

}  // namespace kx::tables::dbf
