#include "json/escape.h"

#include "runtime/process/activation.h"
#include "runtime/text/ascii.h"
#include "runtime/text/text.h"

namespace kx {
namespace {

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
  size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
  return text;
}

std::string line_breaks_to_br(const std::string& text) {
  if (text.find('\n') == std::string::npos) return text;  // the usual case: nothing to replace
  return replace_all(replace_all(text, "\r\n", "<br>"), "\n", "<br>");
}

void append_unicode_escape(std::string* out, unsigned char c) { *out += "\\u" + hex_digits(c, 4); }

// Appends the short escape of a control character, if it has one.
bool append_short_escape(std::string* out, unsigned char c) {
  switch (c) {
    case '\b':
      *out += "\\b";
      return true;
    case '\f':
      *out += "\\f";
      return true;
    case '\r':
      *out += "\\r";
      return true;
    case '\t':
      *out += "\\t";
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string escape_json_chars(const std::string& text, LineFeedEscape line_feed) {
  size_t plain = 0;  // names and most values need no escape at all
  while (plain < text.size() && static_cast<unsigned char>(text[plain]) >= 32 &&
         text[plain] != '"' && text[plain] != '\\') {
    ++plain;
  }
  if (plain == text.size()) return text;
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(ch);
    } else if (c == '\n' && line_feed == LineFeedEscape::kShort) {
      out += "\\n";
    } else if (c < 32) {
      if (!append_short_escape(&out, c)) append_unicode_escape(&out, c);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

std::string _OUTPUTSTRING(const std::string& text) {
  Activation activation("_OUTPUTSTRING", kModuleJson);
  const std::string joined = line_breaks_to_br(text);
  activation.at(2);
  return escape_json_chars(trim(joined));
}

std::string _OUTPUTJSONSTRING(const std::string& text) {
  Activation activation("_OUTPUTJSONSTRING", kModuleJson);
  const std::string joined = line_breaks_to_br(text);
  activation.at(2);
  std::string out;
  out.reserve(joined.size());
  for (char ch : joined) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\' || c == '/') {
      out.push_back('\\');
      out.push_back(ch);
    } else if (c < 32 || c > 126) {
      if (!append_short_escape(&out, c)) append_unicode_escape(&out, c);
    } else {
      out.push_back(ch);
    }
  }
  activation.at(3);
  return trim(out);
}

}  // namespace kx
