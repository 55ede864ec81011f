#include "e2e/json_validator.h"

#include <cstdint>

namespace kx::e2e {
namespace {

class Parser {
 public:
  explicit Parser(const std::string& text) : s_(text) {}

  bool document() {
    space();
    if (!value(0)) return false;
    space();
    return pos_ == s_.size() || fail("text after the value");
  }

  std::string where() const { return error_ + " at byte " + std::to_string(pos_); }

 private:
  bool fail(const char* why) {
    if (error_.empty()) error_ = why;
    return false;
  }
  bool at_end() const { return pos_ >= s_.size(); }
  char peek() const { return at_end() ? '\0' : s_[pos_]; }
  void space() {
    while (!at_end() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
      ++pos_;
  }
  bool literal(const char* word) {
    for (const char* p = word; *p; ++p, ++pos_) {
      if (peek() != *p) return fail("bad literal");
    }
    return true;
  }

  bool value(int depth) {
    if (depth > 512) return fail("nesting too deep");
    switch (peek()) {
      case '{':
        return object(depth);
      case '[':
        return array(depth);
      case '"':
        return string();
      case 't':
        return literal("true");
      case 'f':
        return literal("false");
      case 'n':
        return literal("null");
      default:
        return number();
    }
  }

  bool object(int depth) {
    ++pos_;
    space();
    if (peek() == '}') return ++pos_, true;
    for (;;) {
      space();
      if (peek() != '"' || !string()) return fail("member name expected");
      space();
      if (peek() != ':') return fail("colon expected");
      ++pos_;
      space();
      if (!value(depth + 1)) return false;
      space();
      if (peek() == ',') {
        ++pos_;
        continue;
      }
      if (peek() == '}') return ++pos_, true;
      return fail("comma or closing brace expected");
    }
  }

  bool array(int depth) {
    ++pos_;
    space();
    if (peek() == ']') return ++pos_, true;
    for (;;) {
      space();
      if (!value(depth + 1)) return false;
      space();
      if (peek() == ',') {
        ++pos_;
        continue;
      }
      if (peek() == ']') return ++pos_, true;
      return fail("comma or closing bracket expected");
    }
  }

  static bool hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  }

  // One UTF-8 sequence starting at pos_ (the lead byte is >= 0x80).
  bool utf8() {
    const auto lead = static_cast<uint8_t>(s_[pos_]);
    int extra = lead >= 0xF0 && lead <= 0xF4   ? 3
                : lead >= 0xE0                 ? 2
                : lead >= 0xC2 && lead <= 0xDF ? 1
                                               : -1;
    if (extra < 0 || (lead >= 0xE0 && lead < 0xF0 && extra != 2)) return fail("invalid UTF-8");
    ++pos_;
    for (int i = 0; i < extra; ++i, ++pos_) {
      if (at_end() || (static_cast<uint8_t>(s_[pos_]) & 0xC0) != 0x80) return fail("invalid UTF-8");
    }
    return true;
  }

  bool string() {
    ++pos_;
    while (!at_end()) {
      const auto c = static_cast<uint8_t>(s_[pos_]);
      if (c == '"') return ++pos_, true;
      if (c < 0x20) return fail("raw control character in a string");
      if (c == '\\') {
        ++pos_;
        const char e = peek();
        if (e == 'u') {
          for (int i = 1; i <= 4; ++i) {
            if (pos_ + i >= s_.size() || !hex(s_[pos_ + i])) return fail("bad \\u escape");
          }
          pos_ += 5;
        } else if (e == '"' || e == '\\' || e == '/' || e == 'b' || e == 'f' || e == 'n' ||
                   e == 'r' || e == 't') {
          ++pos_;
        } else {
          return fail("bad escape");
        }
      } else if (c >= 0x80) {
        if (!utf8()) return false;
      } else {
        ++pos_;
      }
    }
    return fail("unterminated string");
  }

  bool digits() {
    const size_t start = pos_;
    while (peek() >= '0' && peek() <= '9') ++pos_;
    return pos_ > start;
  }

  bool number() {
    if (peek() == '-') ++pos_;
    if (peek() == '0') {
      ++pos_;
    } else if (!digits()) {
      return fail("value expected");
    }
    if (peek() == '.') {
      ++pos_;
      if (!digits()) return fail("digits expected after the point");
    }
    if (peek() == 'e' || peek() == 'E') {
      ++pos_;
      if (peek() == '+' || peek() == '-') ++pos_;
      if (!digits()) return fail("exponent digits expected");
    }
    return true;
  }

  const std::string& s_;
  size_t pos_ = 0;
  std::string error_;
};

}  // namespace

bool is_valid_json(const std::string& text, std::string* where) {
  Parser parser(text);
  const bool ok = parser.document();
  if (!ok && where) *where = parser.where();
  return ok;
}

}  // namespace kx::e2e
