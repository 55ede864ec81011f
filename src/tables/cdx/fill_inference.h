// The fill byte of a tag is not stored in the file: it follows from the type
// of the key expression (blank for character keys under machine collation,
// NUL for all other keys). A caller that knows the table types the
// expression; these functions settle what the file alone can settle.
#ifndef KX_TABLES_CDX_FILL_INFERENCE_H_
#define KX_TABLES_CDX_FILL_INFERENCE_H_

#include <optional>
#include <string>

#include "tables/cdx/index_file.h"
#include "tables/cdx/node.h"
#include "tables/paged_file.h"

namespace kx::tables::cdx {

// Leaves looked at, per candidate fill, before the pages count as silent.
constexpr size_t kFillSampleLeaves = 8;

// The fill when the header settles it (another collation, a NULL indicator,
// or a key length that no numeric, date or logical key has); nullopt when the
// key's type must be known.
std::optional<char> fill_from_header(const TagInfo& tag);

// The fill suggested by the printable bytes of a leaf's rebuilt keys; only a
// tie-breaker once the pages have ruled neither fill out. nullopt when the
// leaf holds no rebuilt keys.
std::optional<char> fill_from_leaf(const Node& leaf);

struct FillVerdict {
  char fill = ' ';
  FillSource source = FillSource::kPages;
  std::string note;  // why, when source is kGuess
};

// Settles the fill from the first kFillSampleLeaves leaves of the tag. A fill
// is ruled out when a key stored with trailing compression ends in it (the
// writer removes the whole run) or when keys rebuilt with it come out of
// order. One fill left: that one (kPages). Neither or both left: a guess
// from the expression's text and the first leaf's bytes (kGuess), with the
// evidence in note. Read errors rule nothing out; a cursor reports them.
FillVerdict fill_from_pages(PagedFile* file, const TagInfo& tag);

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_FILL_INFERENCE_H_
