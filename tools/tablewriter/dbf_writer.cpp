#include "tablewriter/dbf_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace kx::writer {
namespace {

bool visual_version(uint8_t version) { return version >= 0x30 && version <= 0x32; }
bool memo_type(char type) { return type == 'M' || type == 'G' || type == 'W' || type == 'P'; }
bool varying_type(char type) { return type == 'V' || type == 'Q'; }

// Bits of the null-flag field in field order: a V or Q field's short bit,
// then a nullable field's NULL bit.
struct NullBits {
  std::vector<int> short_bit;
  int total = 0;
};

NullBits null_bits(const DbfSpec& spec) {
  NullBits bits;
  for (const FieldSpec& f : spec.fields) {
    bits.short_bit.push_back(-1);
    if (f.type == '0') continue;
    if (varying_type(f.type)) bits.short_bit.back() = bits.total++;
    if (f.flags & 0x02) ++bits.total;
  }
  return bits;
}

int usual_width(const DbfSpec& spec, const FieldSpec& f) {
  switch (f.type) {
    case 'C':
    case 'N':
    case 'V':
    case 'Q':
      return 10;
    case 'F':
      return 20;
    case 'D':
    case 'B':
    case 'Y':
    case 'T':
      return 8;
    case 'L':
      return 1;
    case 'I':
      return 4;
    case 'M':
    case 'G':
    case 'W':
    case 'P':
      return visual_version(spec.version) ? 4 : 10;
    case '0':
      return std::max(1, (null_bits(spec).total + 7) / 8);
    default:
      return 10;
  }
}

std::string fit_left(const std::string& s, size_t width, char pad) {
  std::string out = s.substr(0, width);
  out.resize(width, pad);
  return out;
}

std::string fit_right(const std::string& s, size_t width) {
  if (s.size() > width) return std::string(width, '*');
  return std::string(width - s.size(), ' ') + s;
}

std::string le_bytes(uint64_t v, size_t n) {
  std::string out(n, '\0');
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

std::string fixed_text(double v, int decimals) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// An exact decimal text times 10000, without going through a double.
int64_t scaled_currency(const std::string& text) {
  bool negative = false;
  int64_t whole = 0, frac = 0;
  int frac_digits = 0;
  bool after_point = false;
  for (char c : text) {
    if (c == '-')
      negative = true;
    else if (c == '.')
      after_point = true;
    else if (c >= '0' && c <= '9') {
      if (!after_point)
        whole = whole * 10 + (c - '0');
      else if (frac_digits < 4)
        frac = frac * 10 + (c - '0'), ++frac_digits;
    }
  }
  while (frac_digits++ < 4) frac *= 10;
  const int64_t v = whole * 10000 + frac;
  return negative ? -v : v;
}

class MemoBuilder {
 public:
  explicit MemoBuilder(uint16_t block_size) : block_size_(block_size ? block_size : 64) {
    bytes_.assign(512, '\0');
    const size_t first = (512 + block_size_ - 1) / block_size_;
    bytes_.resize(first * block_size_, '\0');
  }
  uint32_t add(const std::string& data, uint32_t type) {
    const uint32_t block = static_cast<uint32_t>(bytes_.size() / block_size_);
    std::string head(8, '\0');
    put_be32(&head, 0, type);
    put_be32(&head, 4, static_cast<uint32_t>(data.size()));
    bytes_ += head + data;
    bytes_.resize((bytes_.size() + block_size_ - 1) / block_size_ * block_size_, '\0');
    return block;
  }
  std::string finish() {
    put_be32(&bytes_, 0, static_cast<uint32_t>(bytes_.size() / block_size_));
    put_be16(&bytes_, 6, block_size_);
    return bytes_;
  }

 private:
  const uint16_t block_size_;
  std::string bytes_;
};

std::string memo_pointer(uint32_t block, size_t width) {
  if (width == 4) return le_bytes(block, 4);
  return fit_right(block == 0 ? "" : std::to_string(block), width);
}

std::string encode_number_field(const FieldSpec& f, const Cell& c, size_t w) {
  switch (c.kind()) {
    case Cell::Kind::kText:
      return fit_right(c.text(), w);
    case Cell::Kind::kInteger:
      return fit_right(std::to_string(c.integer()), w);
    case Cell::Kind::kNumber:
      return fit_right(fixed_text(c.number(), f.decimals), w);
    default:
      return std::string(w, ' ');
  }
}

std::string encode_binary_field(const FieldSpec& f, const Cell& c) {
  const bool blank = c.kind() == Cell::Kind::kBlank;
  switch (f.type) {
    case 'I':
      return le_bytes(static_cast<uint32_t>(static_cast<int32_t>(blank ? 0 : c.integer())), 4);
    case 'B': {
      const double v =
          c.kind() == Cell::Kind::kNumber ? c.number() : static_cast<double>(c.integer());
      uint64_t bits = 0;
      std::memcpy(&bits, &v, sizeof bits);
      return le_bytes(blank ? 0 : bits, 8);
    }
    case 'Y': {
      int64_t scaled = 0;
      if (c.kind() == Cell::Kind::kInteger) scaled = c.integer() * 10000;
      if (c.kind() == Cell::Kind::kNumber) scaled = std::llround(c.number() * 10000);
      if (c.kind() == Cell::Kind::kText) scaled = scaled_currency(c.text());
      return le_bytes(static_cast<uint64_t>(scaled), 8);
    }
    default: {  // 'T'
      const bool has_date = c.kind() == Cell::Kind::kDate || c.kind() == Cell::Kind::kDateTime;
      const int64_t day = has_date ? c.date().julian() : 0;
      const uint32_t ms =
          c.kind() == Cell::Kind::kDateTime ? static_cast<uint32_t>(c.integer()) : 0;
      return le_bytes(static_cast<uint32_t>(day), 4) + le_bytes(ms, 4);
    }
  }
}

}  // namespace

Cell Cell::raw(std::string bytes) {
  Cell c;
  c.kind_ = Kind::kRaw;
  c.text_ = std::move(bytes);
  return c;
}

Cell Cell::datetime(Date d, uint32_t milliseconds) {
  Cell c(d);
  c.kind_ = Kind::kDateTime;
  c.integer_ = milliseconds;
  return c;
}

int field_width(const DbfSpec& spec, size_t field_index) {
  const FieldSpec& f = spec.fields[field_index];
  return f.width > 0 ? f.width : usual_width(spec, f);
}

uint16_t header_length(const DbfSpec& spec) {
  return static_cast<uint16_t>(32 + 32 * spec.fields.size() + 1 +
                               (visual_version(spec.version) ? 263 : 0));
}

uint16_t record_length(const DbfSpec& spec) {
  int length = 1;
  for (size_t i = 0; i < spec.fields.size(); ++i) length += field_width(spec, i);
  return static_cast<uint16_t>(length);
}

size_t descriptor_offset(size_t field_index) { return 32 + 32 * field_index; }

size_t field_offset(const DbfSpec& spec, uint32_t recno, size_t field_index) {
  size_t offset = header_length(spec) + static_cast<size_t>(recno - 1) * record_length(spec) + 1;
  for (size_t i = 0; i < field_index; ++i) offset += static_cast<size_t>(field_width(spec, i));
  return offset;
}

void put_le16(std::string* b, size_t at, uint16_t v) { b->replace(at, 2, le_bytes(v, 2)); }
void put_le32(std::string* b, size_t at, uint32_t v) { b->replace(at, 4, le_bytes(v, 4)); }
void put_be16(std::string* b, size_t at, uint16_t v) {
  (*b)[at] = static_cast<char>(v >> 8);
  (*b)[at + 1] = static_cast<char>(v & 0xFF);
}
void put_be32(std::string* b, size_t at, uint32_t v) {
  put_be16(b, at, static_cast<uint16_t>(v >> 16));
  put_be16(b, at + 2, static_cast<uint16_t>(v & 0xFFFF));
}

namespace {

std::string build_header(const DbfSpec& spec, uint32_t rows, bool has_memo) {
  std::string h(header_length(spec), '\0');
  h[0] = static_cast<char>(spec.version);
  h[1] = 26, h[2] = 3, h[3] = 7;  // last update 2026-03-07
  put_le32(&h, 4, spec.stated_record_count.value_or(rows));
  put_le16(&h, 8, header_length(spec));
  put_le16(&h, 10, record_length(spec));
  const uint8_t flags = (has_memo && visual_version(spec.version)) ? 0x02 : 0x00;
  h[28] = static_cast<char>(spec.table_flags.value_or(flags));
  h[29] = static_cast<char>(spec.code_page);
  uint32_t offset = 1;
  for (size_t i = 0; i < spec.fields.size(); ++i) {
    const FieldSpec& f = spec.fields[i];
    const size_t d = descriptor_offset(i);
    const std::string name = f.name.substr(0, 10);
    std::memcpy(&h[d], name.data(), name.size());
    h[d + 11] = f.type;
    put_le32(&h, d + 12, offset);
    h[d + 16] = static_cast<char>(field_width(spec, i));
    h[d + 17] = static_cast<char>(f.decimals);
    h[d + 18] = static_cast<char>(f.type == '0' && f.flags == 0 ? 0x05 : f.flags);
    offset += static_cast<uint32_t>(field_width(spec, i));
  }
  h[32 + 32 * spec.fields.size()] = 0x0D;
  return h;
}

struct RecordBuilder {
  const DbfSpec& spec;
  const NullBits bits;
  MemoBuilder* memo;

  std::string field(size_t i, const Cell& c, std::string* null_flags) const {
    const FieldSpec& f = spec.fields[i];
    const size_t w = static_cast<size_t>(field_width(spec, i));
    if (c.kind() == Cell::Kind::kRaw) return fit_left(c.text(), w, '\0');
    const bool text = c.kind() == Cell::Kind::kText;
    switch (f.type) {
      case 'N':
      case 'F':
        return encode_number_field(f, c, w);
      case 'I':
      case 'B':
      case 'Y':
      case 'T':
        return encode_binary_field(f, c);
      case 'D':
        if (c.kind() == Cell::Kind::kDate) return c.date().dtos();
        return fit_left(text ? c.text() : "", w, ' ');
      case 'L':
        if (c.kind() == Cell::Kind::kLogic) return c.integer() ? "T" : "F";
        return text && !c.text().empty() ? c.text().substr(0, 1) : " ";
      case 'M':
      case 'G':
      case 'W':
      case 'P': {
        const uint32_t block =
            text && !c.text().empty() ? memo->add(c.text(), f.type == 'G' ? 2 : 1) : 0;
        return memo_pointer(block, w);
      }
      case 'V':
      case 'Q':
        return varying_field(i, text ? c.text().substr(0, w) : "", w, null_flags);
      case '0':
        return std::string(w, '\0');
      default:
        return fit_left(text ? c.text() : "", w, ' ');
    }
  }

  // A varying field's bytes: a value shorter than the field ends in its
  // length byte and sets the field's bit in the null flags.
  std::string varying_field(size_t i, const std::string& value, size_t w,
                            std::string* null_flags) const {
    const int bit = bits.short_bit[i];
    if (value.size() == w || bit < 0 || null_flags->empty()) {
      return fit_left(value, w, spec.fields[i].type == 'V' ? ' ' : '\0');
    }
    (*null_flags)[static_cast<size_t>(bit / 8)] |= static_cast<char>(1 << (bit % 8));
    std::string out = fit_left(value, w, '\0');
    out[w - 1] = static_cast<char>(value.size());
    return out;
  }

  std::string record(const Row& row) const {
    const size_t length = record_length(spec);
    if (row.raw) return fit_left(*row.raw, length, ' ');
    int null_index = -1;
    for (size_t i = 0; i < spec.fields.size(); ++i) {
      if (spec.fields[i].type == '0') null_index = static_cast<int>(i);
    }
    std::string null_flags(null_index < 0 ? 0 : static_cast<size_t>(field_width(spec, null_index)),
                           '\0');
    std::vector<std::string> parts;
    for (size_t i = 0; i < spec.fields.size(); ++i) {
      parts.push_back(field(i, i < row.cells.size() ? row.cells[i] : Cell(), &null_flags));
    }
    if (null_index >= 0) {
      const Cell& c =
          static_cast<size_t>(null_index) < row.cells.size() ? row.cells[null_index] : Cell();
      if (c.kind() != Cell::Kind::kRaw) parts[null_index] = null_flags;
    }
    std::string out(1, row.deleted ? '*' : ' ');
    for (const std::string& p : parts) out += p;
    return out;
  }
};

}  // namespace

DbfFiles build_dbf(const DbfSpec& spec, const std::vector<Row>& rows) {
  bool has_memo = false;
  for (const FieldSpec& f : spec.fields) has_memo = has_memo || memo_type(f.type);
  MemoBuilder memo(spec.memo_block_size);
  RecordBuilder builder{spec, null_bits(spec), &memo};
  DbfFiles files;
  files.dbf = build_header(spec, static_cast<uint32_t>(rows.size()), has_memo);
  for (const Row& row : rows) files.dbf += builder.record(row);
  if (spec.end_marker) files.dbf.push_back('\x1A');
  if (has_memo) files.memo = memo.finish();
  return files;
}

bool write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool write_dbf(const std::string& path, const DbfSpec& spec, const std::vector<Row>& rows) {
  const DbfFiles files = build_dbf(spec, rows);
  if (!write_file(path, files.dbf)) return false;
  if (files.memo.empty()) return true;
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.find_last_of('.');
  const std::string base = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                               ? path
                               : path.substr(0, dot);
  return write_file(base + ".fpt", files.memo);
}

DbfSpec all_types_spec() {
  return DbfSpec{0x32,
                 {{"NAME", 'C', 8},
                  {"QTY", 'N', 11},
                  {"PRICE", 'N', 10, 3},
                  {"RATE", 'F', 12, 4},
                  {"DAY", 'D'},
                  {"OK", 'L'},
                  {"NOTE", 'M'},
                  {"COUNT", 'I'},
                  {"RATIO", 'B', 8, 2},
                  {"CASH", 'Y'},
                  {"STAMP", 'T'},
                  {"TAG", 'V', 6},
                  {"RAWBYTES", 'Q', 4},
                  {"PICTURE", 'G'},
                  {"BLOB", 'W'},
                  {"_NullFlags", '0'}}};
}

std::vector<Row> all_types_rows() {
  return {
      {{"Rupiah", 42, "1.005", 2.5, Date::from_ymd(2026, 3, 7), true, "line1\r\nline2", -7, 0.25,
        "12.3456", Cell::datetime(Date::from_ymd(1996, 7, 4), 3600000), "ab", "\x01\x02", "OLE",
        "blob"}},
      {{}, false},
      {{"Yen", 2147483647, "-0.5", "***", "20260230", "y", "", 0, -1.0, -3, Date(), "sixsix",
        "1234"},
       true},
  };
}

}  // namespace kx::writer
