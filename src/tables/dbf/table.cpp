#include "tables/dbf/table.h"

#include "runtime/text/hex.h"
#include "tables/bytes.h"
#include "tables/dbf/dbf_format.h"
#include "tables/dbf/field_decode.h"

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

std::unique_ptr<Table> Table::open(std::unique_ptr<ByteSource> source,
                                   std::unique_ptr<MemoFile> memo, Status* status) {
  const std::string& name = source->name();
  uint64_t size = 0;
  *status = source->size(&size);
  if (!status->ok()) return nullptr;
  if (size < kHeaderSize) {
    *status = Status::corruption(
        name, "file of " + std::to_string(size) + " bytes is too short for a table header");
    return nullptr;
  }
  uint8_t prefix_bytes[kHeaderSize];
  *status = source->read(0, kHeaderSize, prefix_bytes);
  if (!status->ok()) return nullptr;
  HeaderPrefix prefix;
  *status = parse_header_prefix(ByteView(prefix_bytes, kHeaderSize), name, &prefix);
  if (!status->ok()) return nullptr;
  if (size < prefix.header_length) {
    *status = Status::corruption(name, "file of " + std::to_string(size) +
                                           " bytes ends inside its header of " +
                                           std::to_string(prefix.header_length) + " bytes");
    return nullptr;
  }
  std::string header(prefix.header_length, '\0');
  *status = source->read(0, header.size(), header.data());
  if (!status->ok()) return nullptr;
  TableLayout layout;
  *status = parse_layout(ByteView(header), name, &layout);
  if (!status->ok()) return nullptr;
  std::unique_ptr<Table> table(new Table(std::move(source), std::move(memo), std::move(layout)));
  // The header and the size were read just now: the count follows from them.
  const HeaderPrefix& read = table->layout_.prefix;
  table->known_size_ = size;
  table->record_count_ = records_inside(read, read.record_count, size);
  return table;
}

// Files grow while they are read (another application appends) but rarely
// shrink, so the size is asked again only when the header counts more
// records than the size known so far holds, or when a read fails.
Status Table::refresh(uint32_t* count) {
  uint8_t prefix_bytes[kHeaderSize];
  Status s = source_->read(0, kHeaderSize, prefix_bytes);
  if (!s.ok()) {
    uint64_t size = 0;
    if (source_->size(&size).ok() && size < kHeaderSize) {
      return Status::corruption(name(), "file shrank to " + std::to_string(size) + " bytes");
    }
    return s;
  }
  const uint16_t header_length = decode_le16(prefix_bytes + kHeaderLengthOffset);
  const uint16_t record_length = decode_le16(prefix_bytes + kRecordLengthOffset);
  if (header_length != layout_.prefix.header_length ||
      record_length != layout_.prefix.record_length) {
    return Status::corruption(name(), "header: header length " + std::to_string(header_length) +
                                          " or record length " + std::to_string(record_length) +
                                          " changed while the table was open");
  }
  const uint32_t stated = decode_le32(prefix_bytes + kRecordCountOffset);
  if (records_inside(layout_.prefix, stated, known_size_) < stated) {
    s = source_->size(&known_size_);
    if (!s.ok()) return s;
  }
  record_count_ = records_inside(layout_.prefix, stated, known_size_);
  *count = record_count_;
  return Status();
}

Status Table::read_record(uint32_t recno, Record* record) {
  if (recno == 0 || recno > record_count_) {
    return Status::corruption(name(), "record " + std::to_string(recno) +
                                          " is outside the table of " +
                                          std::to_string(record_count_) + " records");
  }
  const uint64_t length = layout_.prefix.record_length;
  const uint64_t offset =
      layout_.prefix.header_length + (static_cast<uint64_t>(recno) - 1) * length;
  record->recno = recno;
  record->bytes.assign(static_cast<size_t>(length), '\0');
  Status s = source_->read(offset, static_cast<size_t>(length), record->bytes.data());
  if (!s.ok()) {
    record->bytes.clear();
    // A table that shrank since its size was asked: the next refresh counts
    // only the records it still holds.
    uint64_t size = 0;
    if (source_->size(&size).ok()) known_size_ = size;
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
