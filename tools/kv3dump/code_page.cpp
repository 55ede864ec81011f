#include "kv3dump/code_page.h"

#include <cstdio>

namespace kx::kv3dump {
namespace {

constexpr int kFallbackCodePage = 1252;

struct Mark {
  uint8_t mark;
  int code_page;
};

// The marks FoxPro and dBase write, with the code page each names. Marks of
// multi-byte code pages are listed so that the note can name them.
constexpr Mark kMarks[] = {
    {0x01, 437},  {0x02, 850},  {0x03, 1252}, {0x26, 866},  {0x57, 1252},
    {0x58, 1252}, {0x59, 1252}, {0x64, 852},  {0x65, 866},  {0x66, 865},
    {0x67, 861},  {0x6A, 737},  {0x6B, 857},  {0x78, 950},  {0x79, 949},
    {0x7A, 936},  {0x7B, 932},  {0x7C, 874},  {0x7D, 1255}, {0x7E, 1256},
    {0xC8, 1250}, {0xC9, 1251}, {0xCA, 1254}, {0xCB, 1253}, {0xCC, 1257},
};

void append_utf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The character at *at in utf8 (advancing *at); nullopt for a malformed or
// overlong sequence.
std::optional<char32_t> next_utf8(std::string_view utf8, size_t* at) {
  const unsigned char lead = static_cast<unsigned char>(utf8[(*at)++]);
  if (lead < 0x80) return lead;
  const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || lead >= 0xF8 || *at + static_cast<size_t>(extra) > utf8.size()) {
    return std::nullopt;
  }
  char32_t c = lead & (0x3F >> extra);
  for (int i = 0; i < extra; ++i) {
    const unsigned char b = static_cast<unsigned char>(utf8[(*at)++]);
    if ((b & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (b & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (c < kLeast[extra]) return std::nullopt;
  return c;
}

std::string hex_mark(uint8_t mark) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", mark);
  return text;
}

}  // namespace

char32_t CodePage::character(unsigned char b) const {
  if (b < 0x80) return b;
  const char32_t c = high[b - 0x80];
  return c == kUndefined ? b : c;
}

std::string CodePage::to_utf8(std::string_view bytes) const {
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) append_utf8(character(static_cast<unsigned char>(ch)), &out);
  return out;
}

std::optional<std::string> CodePage::from_utf8(std::string_view utf8) const {
  std::string out;
  for (size_t at = 0; at < utf8.size();) {
    const std::optional<char32_t> c = next_utf8(utf8, &at);
    if (!c) return std::nullopt;
    if (*c < 0x80) {
      out += static_cast<char>(*c);
      continue;
    }
    size_t i = 0;
    while (i < 128 && character(static_cast<unsigned char>(0x80 + i)) != *c) ++i;
    if (i == 128) return std::nullopt;
    out += static_cast<char>(0x80 + i);
  }
  return out;
}

const CodePage* find_code_page(int number) {
  for (size_t i = 0; i < kCodePageCount; ++i) {
    if (kCodePages[i].number == number) return &kCodePages[i];
  }
  return nullptr;
}

std::string supported_code_pages() {
  std::string out;
  for (size_t i = 0; i < kCodePageCount; ++i) {
    out += (i ? ", " : "") + std::to_string(kCodePages[i].number);
  }
  return out;
}

CodePageChoice code_page_of_mark(uint8_t mark) {
  CodePageChoice choice;
  choice.page = find_code_page(kFallbackCodePage);
  const std::string assumed = "; read as " + std::to_string(kFallbackCodePage);
  if (mark == 0) {
    choice.note = "no code-page mark" + assumed;
    return choice;
  }
  for (const Mark& m : kMarks) {
    if (m.mark != mark) continue;
    if (const CodePage* page = find_code_page(m.code_page)) {
      choice.page = page;
    } else {
      choice.note = "mark " + hex_mark(mark) + " names code page " + std::to_string(m.code_page) +
                    ", which is not supported" + assumed;
    }
    return choice;
  }
  choice.note = "unknown code-page mark " + hex_mark(mark) + assumed;
  return choice;
}

std::string latin1_to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) append_utf8(static_cast<unsigned char>(ch), &out);
  return out;
}

}  // namespace kx::kv3dump
