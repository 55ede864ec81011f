#include "tables/cdx/fill_inference.h"

#include <cctype>
#include <string>

#include "tables/cdx/cdx_format.h"
#include "tables/cdx/tree_walker.h"

namespace kx::tables::cdx {
namespace {

// Functions whose result is text; a key expression that calls one of them,
// or holds a string literal, gives character keys.
constexpr const char* kTextFunctions[] = {"DTOS(",  "STR(",   "PADR(",      "PADL(", "PADC(",
                                          "UPPER(", "LOWER(", "SUBSTR(",    "LEFT(", "RIGHT(",
                                          "TRIM(",  "CHR(",   "TRANSFORM(", "TTOC(", "DTOC("};

bool looks_like_text_expression(const std::string& expression) {
  std::string upper;
  for (char c : expression) {
    if (c == '"' || c == '\'' || c == '[') return true;
    upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  for (const char* function : kTextFunctions) {
    if (upper.find(function) != std::string::npos) return true;
  }
  return false;
}

bool printable(unsigned char c) { return c >= 0x20 && c <= 0x7E; }

}  // namespace

std::optional<char> fill_from_header(const TagInfo& tag) {
  if (tag.signature != kSignatureMachine || tag.nullable) return '\0';
  if (tag.key_length != 1 && tag.key_length != 4 && tag.key_length != 8) return ' ';
  if (looks_like_text_expression(tag.key_expression)) return ' ';
  return std::nullopt;
}

std::optional<char> fill_from_leaf(const Node& leaf) {
  const size_t kl = leaf.key_length;
  size_t keys = 0, text_keys = 0, logical_keys = 0;
  bool ends_in_blank = false, ends_in_nul = false;
  for (size_t i = 0; i < leaf.decoded(); ++i) {
    const std::string_view key = leaf.key(i);
    const size_t kept = kl - leaf.trail(i);
    if (kept > leaf.dup(i)) {  // the last kept byte was stored, not inferred
      ends_in_blank |= key[kept - 1] == ' ';
      ends_in_nul |= key[kept - 1] == '\0';
    }
    bool text = true;
    for (size_t j = 0; j < kept; ++j) text &= printable(static_cast<unsigned char>(key[j]));
    ++keys;
    text_keys += text ? 1 : 0;
    logical_keys += (kept == 1 && (key[0] == 'T' || key[0] == 'F')) ? 1 : 0;
  }
  if (keys == 0) return std::nullopt;
  if (ends_in_blank != ends_in_nul) return ends_in_blank ? '\0' : ' ';
  if (kl == 1) return logical_keys == keys ? '\0' : ' ';
  return text_keys * 2 > keys ? ' ' : '\0';
}

char infer_fill(ByteSource* source, const TagInfo& tag) {
  if (std::optional<char> fill = fill_from_header(tag)) return *fill;
  TreeWalker walker(source, TreeShape{tag.header_offset, tag.key_length, tag.signature, ' '});
  walker.seek_first();
  if (!walker.valid()) return ' ';
  Node leaf = walker.leaf();
  if (!leaf.decode_all(source->name()).ok()) return ' ';
  return fill_from_leaf(leaf).value_or(' ');
}

}  // namespace kx::tables::cdx
