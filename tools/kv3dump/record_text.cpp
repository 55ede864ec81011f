#include "kv3dump/record_text.h"

#include <cstdio>

#include "runtime/text/text.h"
#include "tables/bytes.h"
#include "tables/dbf/dbf_format.h"

namespace kx::kv3dump {
namespace {

namespace dbf = tables::dbf;

constexpr uint32_t kMillisecondsPerDay = 86400000;

void escape(uint32_t c, std::string* out) {
  char esc[8];
  std::snprintf(esc, sizeof esc, "\\u%04X", static_cast<unsigned>(c));
  *out += esc;
}

// The length of the valid UTF-8 sequence at utf8[at], or 0.
size_t utf8_length(std::string_view utf8, size_t at) {
  const unsigned char lead = static_cast<unsigned char>(utf8[at]);
  size_t length = 0;
  if (lead < 0x80) {
    length = 1;
  } else if (lead >= 0xC2 && lead < 0xE0) {
    length = 2;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    length = 4;
  }
  if (length == 0 || at + length > utf8.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(utf8[at + i]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

bool is_binary(const dbf::Field& field) {
  const char t = field.type;
  return t == dbf::kTypeGeneral || t == dbf::kTypeBlob || t == dbf::kTypePicture ||
         t == dbf::kTypeVarbinary || (field.flags & dbf::kFieldFlagBinary) != 0;
}

std::string hex_bytes(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * bytes.size());
  for (const char c : bytes) {
    out += kDigits[static_cast<unsigned char>(c) >> 4];
    out += kDigits[static_cast<unsigned char>(c) & 0xF];
  }
  return out;
}

// A date field's bytes when they hold no date but are not blank either.
std::string stored_non_date(const dbf::Field& field, const dbf::Record& record,
                            const CodePage& page) {
  tables::ByteView bytes;
  if (!tables::ByteView(record.bytes).slice(field.offset, field.width, &bytes)) return "";
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.find_first_not_of(' ') == std::string_view::npos) return "";
  return not_a_date(page.to_utf8(text));
}

std::string iso_date(const Date& d) {
  if (d.empty()) return "";
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year(), d.month(), d.day());
  return text;
}

}  // namespace

std::string json_string(const std::string& bytes) {
  std::string out = "\"";
  for (const char ch : bytes) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c >= 0x80) {
      escape(c, &out);
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string json_text(std::string_view utf8) {
  std::string out = "\"";
  for (size_t at = 0; at < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[at]);
    const size_t length = utf8_length(utf8, at);
    if (length == 0 || c < 0x20 || c == 0x7F) {
      escape(c, &out);
      ++at;
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++at;
    } else if (c == 0xC2 && static_cast<unsigned char>(utf8[at + 1]) < 0xA0) {
      escape(static_cast<unsigned char>(utf8[at + 1]), &out);  // U+0080-U+009F
      at += 2;
    } else {
      out.append(utf8.substr(at, length));
      at += length;
    }
  }
  return out + "\"";
}

std::string csv_field(std::string_view utf8) {
  if (utf8.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(utf8);
  std::string out = "\"";
  for (const char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string datetime_text(int64_t julian_day, uint32_t milliseconds) {
  if (julian_day == 0 && milliseconds == 0) return "";
  julian_day += milliseconds / kMillisecondsPerDay;
  const uint32_t seconds = milliseconds % kMillisecondsPerDay / 1000;
  const Date d = Date::from_julian(julian_day);
  char text[16];
  std::snprintf(text, sizeof text, "T%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return (d.empty() ? "0000-00-00" : iso_date(d)) + text;
}

tables::Status cell_text(dbf::Table& table, const dbf::Record& record, size_t index,
                         const CodePage& page, CellText* out) {
  const dbf::Field& field = table.fields()[index];
  *out = CellText();
  tables::ByteView bytes;
  if (field.type == dbf::kTypeDateTime &&
      tables::ByteView(record.bytes).slice(field.offset, dbf::kDateTimeWidth, &bytes)) {
    out->text = datetime_text(static_cast<int32_t>(tables::decode_le32(bytes.data())),
                              tables::decode_le32(bytes.data() + 4));
    return tables::Status();
  }
  Value v;
  tables::Status s = table.value(record, index, &v);
  if (!s.ok()) return s;
  out->literal = v.kind() == Kind::kInteger || v.kind() == Kind::kFloat || v.kind() == Kind::kLogic;
  switch (v.kind()) {
    case Kind::kInteger:
      out->text = std::to_string(v.as_integer());
      break;
    case Kind::kFloat:
      out->text = float_decimal(v.as_float());
      break;
    case Kind::kLogic:
      out->text = v.as_logic() ? "true" : "false";
      break;
    case Kind::kDate:
      out->text =
          v.as_date().empty() ? stored_non_date(field, record, page) : iso_date(v.as_date());
      break;
    case Kind::kString:
      if (is_binary(field)) {
        out->text = hex_bytes(v.as_string());
      } else {
        out->text = page.to_utf8(field.type == dbf::kTypeCharacter ? trim_right(v.as_string())
                                                                   : v.as_string());
      }
      break;
    default:
      break;
  }
  return tables::Status();
}

std::string not_a_date(std::string_view stored) { return std::string(stored) + " (not a date)"; }

std::string masked_password(std::string_view password) {
  return password.empty() ? std::string() : std::string("****");
}

}  // namespace kx::kv3dump
