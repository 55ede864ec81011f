#include "tables/expr/table_record.h"

#include "tables/bytes.h"
#include "tables/dbf/dbf_format.h"

namespace kx::tables::expr {
namespace {

bool bit_set(ByteView flags, int bit) {
  const size_t byte = static_cast<size_t>(bit) / 8;
  return byte < flags.size() && ((flags[byte] >> (bit % 8)) & 1) != 0;
}

Datum from_value(const Value& v, Type type) {
  switch (v.kind()) {
    case Kind::kString:
      return Datum::character(v.as_string());
    case Kind::kInteger:
      return Datum::number_of(v.as_integer(), std::to_string(v.as_integer()));
    case Kind::kFloat:
      return Datum::number_of(v.as_float().value, v.as_float().decimal);
    case Kind::kDate:
      return Datum::date_of(v.as_date());
    case Kind::kLogic:
      return Datum::logical_of(v.as_logic());
    default:
      return Datum::null_of(type);
  }
}

}  // namespace

std::vector<FieldInfo> fields_of(const dbf::Table& table) {
  std::vector<FieldInfo> out;
  for (const dbf::Field& f : table.fields()) out.push_back(FieldInfo{f.name, f.type});
  return out;
}

Status TableRecord::load(uint32_t recno) {
  status_ = Status();
  return table_->read_record(recno, &record_);
}

Status TableRecord::field(size_t index, Datum* value) {
  const dbf::Field& f = table_->fields()[index];
  Type type = Type::kCharacter;
  field_type(f.type, &type);
  const ByteView bytes(record_.bytes);
  if ((f.flags & dbf::kFieldFlagNullable) != 0) {
    const std::optional<dbf::Field>& flags_field = table_->layout().null_flags;
    ByteView flags;
    if (!flags_field || f.null_bit < 0 ||
        !bytes.slice(flags_field->offset, flags_field->width, &flags)) {
      return Status::corruption(table_->name(), "cannot tell whether field " + f.name + " is NULL");
    }
    if (bit_set(flags, f.null_bit)) {
      *value = Datum::null_of(type);
      return Status();
    }
  }
  if (f.type == dbf::kTypeDateTime) {
    ByteView field_bytes;
    if (!bytes.slice(f.offset, dbf::kDateTimeWidth, &field_bytes)) {
      return Status::corruption(table_->name(), "record too short for field " + f.name);
    }
    const int32_t day = static_cast<int32_t>(decode_le32(field_bytes.data()));
    const uint32_t ms = decode_le32(field_bytes.data() + 4);
    *value = Datum::datetime(day, ms);
    return Status();
  }
  Value v;
  status_ = table_->value(record_, index, &v);
  if (!status_.ok()) return status_;
  *value = from_value(v, type);
  return Status();
}

}  // namespace kx::tables::expr
