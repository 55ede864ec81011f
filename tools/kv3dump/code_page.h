// The code pages in which tables store text, and their conversion to and
// from UTF-8, the encoding of everything kv3dump prints.
#ifndef KX_TOOLS_KV3DUMP_CODE_PAGE_H_
#define KX_TOOLS_KV3DUMP_CODE_PAGE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kx::kv3dump {

// A single-byte code page: bytes below 0x80 are ASCII, high[b - 0x80] is the
// character of byte b, kUndefined where the code page defines none. Such a
// byte stands for the character of its own number (U+0081 for 0x81), as
// Windows converts it, so that no byte is lost.
struct CodePage {
  static constexpr char16_t kUndefined = 0xFFFD;
  int number;
  char16_t high[128];

  char32_t character(unsigned char byte) const;
  // bytes as UTF-8.
  std::string to_utf8(std::string_view bytes) const;
  // The bytes of utf8 in this code page; nullopt when utf8 is not valid
  // UTF-8 or holds a character this code page lacks.
  std::optional<std::string> from_utf8(std::string_view utf8) const;
};

// The code page numbered number (437, 850, 1252, ...); nullptr when there is
// no table for it.
const CodePage* find_code_page(int number);
// The numbers that have a table, ascending, as "437, 737, ...".
std::string supported_code_pages();

// What a table's code-page mark (header byte 29) means here.
struct CodePageChoice {
  const CodePage* page = nullptr;  // never nullptr
  // Empty when the mark names page; else why page (1252) is assumed.
  std::string note;
};
CodePageChoice code_page_of_mark(uint8_t mark);

// bytes read as ISO 8859-1 (each byte the character of the same number), as
// UTF-8: how bytes that are no text (binary fields, raw keys) are shown.
std::string latin1_to_utf8(std::string_view bytes);

// The tables of code_page_tables.cpp.
extern const CodePage kCodePages[];
extern const size_t kCodePageCount;

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_CODE_PAGE_H_
