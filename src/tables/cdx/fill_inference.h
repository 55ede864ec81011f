// The fill byte of a tag is not stored in the file: it follows from the type
// of the key expression (blank for character keys under machine collation,
// NUL for all other keys). These functions work it out from what the file
// does hold.
#ifndef KX_TABLES_CDX_FILL_INFERENCE_H_
#define KX_TABLES_CDX_FILL_INFERENCE_H_

#include <optional>

#include "tables/byte_source.h"
#include "tables/cdx/index_file.h"
#include "tables/cdx/node.h"

namespace kx::tables::cdx {

// The fill when the header settles it (collation, NULL indicator, a key
// length that no numeric, date or logical key has, or a key expression that
// can only give text); nullopt when the keys must be looked at.
std::optional<char> fill_from_header(const TagInfo& tag);

// The fill suggested by the keys of a leaf (those rebuilt so far) that was
// decoded with any fill: the stored part of a key never ends with the fill
// byte, numeric and date keys are not printable text, logical keys are 'T'
// or 'F'. nullopt when the leaf holds no rebuilt keys.
std::optional<char> fill_from_leaf(const Node& leaf);

// The header first, then the first leaf of the tag. Reading errors are
// ignored here (a cursor reports them later) and give the blank fill.
char infer_fill(ByteSource* source, const TagInfo& tag);

}  // namespace kx::tables::cdx

#endif  // KX_TABLES_CDX_FILL_INFERENCE_H_
