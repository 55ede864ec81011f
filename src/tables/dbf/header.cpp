#include "tables/dbf/header.h"

#include "runtime/text/ascii.h"
#include "tables/dbf/dbf_format.h"

namespace kx::tables::dbf {
namespace {

std::string hex_byte(uint8_t b) { return "0x" + hex_digits(b, 2); }

std::string field_label(size_t index, const std::string& name) {
  return "field " + std::to_string(index + 1) + " (" + name + ")";
}

// The width a type must have, or 0 when any width of 1 or more will do.
uint8_t required_width(char type) {
  switch (type) {
    case kTypeDate:
      return kDateWidth;
    case kTypeLogical:
      return kLogicalWidth;
    case kTypeInteger:
      return kIntegerWidth;
    case kTypeDouble:
      return kDoubleWidth;
    case kTypeCurrency:
      return kCurrencyWidth;
    case kTypeDateTime:
      return kDateTimeWidth;
    default:
      return 0;
  }
}

bool is_known_type(char type) {
  switch (type) {
    case kTypeCharacter:
    case kTypeNumeric:
    case kTypeFloat:
    case kTypeDate:
    case kTypeLogical:
    case kTypeMemo:
    case kTypeGeneral:
    case kTypeBlob:
    case kTypePicture:
    case kTypeInteger:
    case kTypeDouble:
    case kTypeCurrency:
    case kTypeDateTime:
    case kTypeVarchar:
    case kTypeVarbinary:
    case kTypeNullFlags:
      return true;
    default:
      return false;
  }
}

// Checks that a descriptor's width suits its type; empty when it does.
std::string width_problem(const Field& f) {
  const uint8_t required = required_width(f.type);
  if (required != 0 && f.width != required) {
    return "type " + std::string(1, f.type) + " needs width " + std::to_string(required) +
           ", not " + std::to_string(f.width);
  }
  if (is_memo_type(f.type) && f.width != kMemoBinaryWidth && f.width != kMemoDigitsWidth) {
    return "memo pointer width " + std::to_string(f.width) + " is neither 4 nor 10";
  }
  if (f.width == 0) return "width 0";
  return "";
}

Field decode_descriptor(ByteView d) {
  Field f;
  const std::string_view raw = d.as_string_view();
  std::string_view name = raw.substr(0, kFieldNameSize);
  name = name.substr(0, name.find('\0'));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  f.name = std::string(name);
  f.type = static_cast<char>(d[kFieldTypeOffset]);
  // Letter case of the type is not significant to other writers either.
  f.type = ascii_upper(f.type);
  f.width = d[kFieldWidthOffset];
  f.decimals = d[kFieldDecimalsOffset];
  f.flags = d[kFieldFlagsOffset];
  return f;
}

// Gives out the bits of the hidden null-flag field in field order: a V or Q
// field's short bit first, then a nullable field's NULL bit.
void assign_null_bits(TableLayout* layout) {
  if (!layout->null_flags) return;
  const int available = layout->null_flags->width * 8;
  int next = 0;
  for (Field& f : layout->fields) {
    if (f.type == kTypeVarchar || f.type == kTypeVarbinary) {
      if (next < available) f.short_bit = next;
      ++next;
    }
    if (f.flags & kFieldFlagNullable) {
      if (next < available) f.null_bit = next;
      ++next;
    }
  }
}

// What is wrong with the descriptor of field index (0-based); empty when
// nothing is.
std::string descriptor_problem(const Field& f, size_t index) {
  if (f.name.empty()) return "field " + std::to_string(index + 1) + " has no name";
  if (!is_known_type(f.type)) {
    return field_label(index, f.name) + ": unknown field type " +
           hex_byte(static_cast<uint8_t>(f.type));
  }
  const std::string problem = width_problem(f);
  return problem.empty() ? "" : field_label(index, f.name) + ": " + problem;
}

}  // namespace

bool is_memo_type(char type) {
  return type == kTypeMemo || type == kTypeGeneral || type == kTypeBlob || type == kTypePicture;
}

bool TableLayout::has_memo_fields() const {
  for (const Field& f : fields) {
    if (is_memo_type(f.type)) return true;
  }
  return false;
}

int TableLayout::find_field(std::string_view name) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (ascii_equal_ignoring_case(fields[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

Status parse_header_prefix(ByteView bytes, const std::string& file_name, HeaderPrefix* prefix) {
  if (bytes.size() < kHeaderSize) {
    return Status::corruption(file_name, "file of " + std::to_string(bytes.size()) +
                                             " bytes is too short for a table header");
  }
  HeaderPrefix p;
  p.version = bytes[kVersionOffset];
  p.update_year = bytes[kLastUpdateOffset];
  p.update_month = bytes[kLastUpdateOffset + 1];
  p.update_day = bytes[kLastUpdateOffset + 2];
  p.record_count = decode_le32(bytes.data() + kRecordCountOffset);
  p.header_length = decode_le16(bytes.data() + kHeaderLengthOffset);
  p.record_length = decode_le16(bytes.data() + kRecordLengthOffset);
  p.table_flags = bytes[kTableFlagsOffset];
  p.code_page = bytes[kCodePageOffset];
  if (!is_known_version(p.version)) {
    return Status::corruption(file_name, "header: unknown version byte " + hex_byte(p.version));
  }
  if (p.header_length < kHeaderSize + kDescriptorSize) {
    return Status::corruption(file_name, "header: header length " +
                                             std::to_string(p.header_length) +
                                             " leaves no room for a field descriptor");
  }
  *prefix = p;
  return Status();
}

Status parse_layout(ByteView header, const std::string& file_name, TableLayout* layout) {
  TableLayout out;
  Status s = parse_header_prefix(header, file_name, &out.prefix);
  if (!s.ok()) return s;
  const size_t end = out.prefix.header_length;
  if (header.size() < end) {
    return Status::corruption(file_name, "header: only " + std::to_string(header.size()) + " of " +
                                             std::to_string(end) + " header bytes");
  }
  uint32_t offset = 1;
  size_t index = 0;
  for (size_t pos = kHeaderSize; pos < end && header[pos] != kDescriptorTerminator;
       pos += kDescriptorSize, ++index) {
    ByteView d;
    if (!header.slice(pos, kDescriptorSize, &d) || pos + kDescriptorSize > end) {
      return Status::corruption(file_name, "header: descriptor " + std::to_string(index + 1) +
                                               " at offset " + std::to_string(pos) +
                                               " runs past the header length " +
                                               std::to_string(end));
    }
    Field f = decode_descriptor(d);
    const std::string problem = descriptor_problem(f, index);
    if (!problem.empty()) return Status::corruption(file_name, "header: " + problem);
    f.offset = offset;
    offset += f.width;
    if (f.type == kTypeNullFlags) {
      if (out.null_flags) {
        return Status::corruption(
            file_name, "header: " + field_label(index, f.name) + ": a second null-flag field");
      }
      out.null_flags = f;
      continue;
    }
    if (out.fields.size() == kMaxFields) {
      return Status::corruption(file_name,
                                "header: more than " + std::to_string(kMaxFields) + " fields");
    }
    out.fields.push_back(std::move(f));
  }
  if (out.fields.empty()) return Status::corruption(file_name, "header: no fields");
  // Records that began inside the terminator or the backlink would be read
  // from header bytes. (A header may also end right after its descriptors,
  // with no terminator.)
  const size_t terminator = kHeaderSize + index * kDescriptorSize;
  const size_t needed = terminator + 1 + (has_backlink(out.prefix.version) ? kBacklinkSize : 0);
  if (terminator < end && end < needed) {
    return Status::corruption(file_name, "header: header length " + std::to_string(end) +
                                             " is less than the " + std::to_string(needed) +
                                             " bytes its descriptors need");
  }
  if (out.prefix.record_length < offset) {
    return Status::corruption(
        file_name, "header: record length " + std::to_string(out.prefix.record_length) +
                       " is less than the " + std::to_string(offset) + " bytes its fields need");
  }
  // Every table seen has records exactly as long as their fields. A longer
  // one means a width is wrong, and every later field would be read shifted.
  if (out.prefix.record_length > offset) {
    return Status::corruption(
        file_name, "header: record length " + std::to_string(out.prefix.record_length) +
                       " is more than the " + std::to_string(offset) + " bytes its fields need");
  }
  assign_null_bits(&out);
  *layout = std::move(out);
  return Status();
}

}  // namespace kx::tables::dbf
