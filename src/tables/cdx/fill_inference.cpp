#include "tables/cdx/fill_inference.h"

#include <cstdint>
#include <string>

#include "runtime/text/ascii.h"
#include "tables/cdx/cdx_format.h"
#include "tables/cdx/tree_walker.h"

namespace kx::tables::cdx {
namespace {

// Functions whose result is text. Only a tie-breaker: VAL(DTOS(x)) is a
// number, which is why the pages are asked first.
constexpr const char* kTextFunctions[] = {"DTOS(",  "STR(",   "PADR(",      "PADL(", "PADC(",
                                          "UPPER(", "LOWER(", "SUBSTR(",    "LEFT(", "RIGHT(",
                                          "TRIM(",  "CHR(",   "TRANSFORM(", "TTOC(", "DTOC("};

bool looks_like_text_expression(const std::string& expression) {
  std::string upper;
  for (char c : expression) {
    if (c == '"' || c == '\'' || c == '[') return true;
    upper += ascii_upper(c);
  }
  for (const char* function : kTextFunctions) {
    if (upper.find(function) != std::string::npos) return true;
  }
  return false;
}

bool printable(unsigned char c) { return c >= 0x20 && c <= 0x7E; }

const char* fill_name(char fill) { return fill == ' ' ? "blank" : "NUL"; }

// Why the first leaves of the tag rule fill out; empty when they do not.
std::string objection(PagedFile* file, const TagInfo& tag, char fill) {
  TreeWalker walker(file, TreeShape{tag.header_offset, tag.key_length, tag.signature, fill});
  uint64_t leaf_offset = UINT64_MAX;
  size_t leaves = 0;
  for (walker.seek_first(); walker.valid(); walker.next()) {
    const Node& leaf = walker.leaf();
    if (leaf.offset() != leaf_offset) {
      if (++leaves > kFillSampleLeaves) return "";
      leaf_offset = leaf.offset();
    }
    // The walker's own place: a step that finds its entry again from the
    // root may pass entries by or come back to this leaf anew.
    const size_t entry = walker.entry();
    const size_t kept = tag.key_length - leaf.trail(entry);
    if (kept > leaf.dup(entry) && walker.key()[kept - 1] == fill) {
      return "page " + hex(leaf.offset()) + ": entry " + std::to_string(entry) +
             ": a stored key ends in the fill byte";
    }
  }
  const Status& s = walker.status();
  return !s.ok() && s.gencode() == kGenCorruption ? s.description() : "";
}

// The fill the expression's text or the first leaf's bytes suggest.
char tie_break(PagedFile* file, const TagInfo& tag) {
  if (looks_like_text_expression(tag.key_expression)) return ' ';
  TreeWalker walker(file, TreeShape{tag.header_offset, tag.key_length, tag.signature, ' '});
  walker.seek_first();
  if (!walker.valid()) return ' ';
  Node leaf = walker.leaf();
  if (!leaf.decode_all(file->name()).ok()) return ' ';
  return fill_from_leaf(leaf).value_or(' ');
}

}  // namespace

std::optional<char> fill_from_header(const TagInfo& tag) {
  if (tag.signature != kSignatureMachine || tag.nullable) return '\0';
  if (tag.key_length != 1 && tag.key_length != 4 && tag.key_length != 8) return ' ';
  return std::nullopt;
}

std::optional<char> fill_from_leaf(const Node& leaf) {
  const size_t kl = leaf.key_length();
  size_t keys = 0, text_keys = 0, logical_keys = 0;
  for (size_t i = 0; i < leaf.decoded(); ++i) {
    const std::string_view key = leaf.key(i);
    const size_t kept = kl - leaf.trail(i);
    bool text = true;
    for (size_t j = 0; j < kept; ++j) text &= printable(static_cast<unsigned char>(key[j]));
    ++keys;
    text_keys += text ? 1 : 0;
    logical_keys += (kept == 1 && (key[0] == 'T' || key[0] == 'F')) ? 1 : 0;
  }
  if (keys == 0) return std::nullopt;
  if (kl == 1) return logical_keys == keys ? '\0' : ' ';
  return text_keys * 2 > keys ? ' ' : '\0';
}

FillVerdict fill_from_pages(PagedFile* file, const TagInfo& tag) {
  const std::string against_blank = objection(file, tag, ' ');
  const std::string against_nul = objection(file, tag, '\0');
  if (against_blank.empty() != against_nul.empty()) {
    return FillVerdict{against_blank.empty() ? ' ' : '\0', FillSource::kPages, ""};
  }
  FillVerdict guess{tie_break(file, tag), FillSource::kGuess, ""};
  if (against_blank.empty()) {
    guess.note = "the key's type is unknown and the first leaves fit either fill; guessed " +
                 std::string(fill_name(guess.fill));
  } else {
    guess.note = "the key's type is unknown and the evidence is split (blank: " + against_blank +
                 "; NUL: " + against_nul + "); guessed " + fill_name(guess.fill);
  }
  return guess;
}

}  // namespace kx::tables::cdx
