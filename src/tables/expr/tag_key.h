// Index keys built from evaluated key expressions, byte for byte as a tag
// under machine collation stores them.
#ifndef KX_TABLES_EXPR_TAG_KEY_H_
#define KX_TABLES_EXPR_TAG_KEY_H_

#include <cstddef>
#include <string>

#include "tables/cdx/index_file.h"
#include "tables/expr/datum.h"
#include "tables/expr/expression.h"
#include "tables/status.h"

namespace kx::tables::expr {

// How one tag's keys are made.
struct KeyPlan {
  Type type = Type::kCharacter;
  bool integer = false;   // 4-byte integer encoding (the key is one I field)
  bool nullable = false;  // a NULL-indicator byte leads every key
  size_t length = 0;      // bytes per key, the indicator included
  char fill = ' ';        // the tag's fill byte for this key type
};

// OK, or an expression error for the tags whose keys cannot be built from an
// expression's value here: bitmap tags and tags under another collation.
Status can_build_keys(const cdx::TagInfo& tag);

// Checks that the keys of tag can be built from key (an expression compiled
// for the tag's table) and says how. An expression error for a bitmap tag,
// a tag under another collation, and (kGenDataWidth) a key length that the
// expression's type cannot have (8 for numbers, dates and datetimes, 4 for
// an integer field, 1 for logicals, plus 1 in a nullable tag).
Status plan_key(const cdx::TagInfo& tag, const Expression& key, KeyPlan* plan);

// The key of value (of the plan's type):
//   character: the bytes, padded with blanks or cut to the key length;
//   number: the 8-byte numeric encoding (the 4-byte integer one for an
//   integer field); date: the numeric encoding of the Julian day (0 for the
//   empty date); datetime: that of the Julian day plus the fraction of the
//   day; logical: 'T' or 'F'.
// In a nullable tag the indicator byte 0x80 comes first, and a NULL value
// gives a key of zero bytes. An expression error for a NULL value in a tag
// without NULL keys.
Status make_key(const KeyPlan& plan, const Datum& value, std::string* key);

}  // namespace kx::tables::expr

#endif  // KX_TABLES_EXPR_TAG_KEY_H_
