// Numbers to text and back, as the expression functions STR() and VAL() do it.
#ifndef KX_TABLES_EXPR_NUMBER_TEXT_H_
#define KX_TABLES_EXPR_NUMBER_TEXT_H_

#include <string>
#include <string_view>

#include "tables/expr/datum.h"

namespace kx::tables::expr {

// The widest STR() result accepted.
constexpr int kMaxStrWidth = 255;

// number (type kNumber, not NULL) rounded half away from zero to decimals
// places (on its exact decimal text when it has one), right-aligned in width
// characters; width asterisks when the text does not fit. Requires
// 1 <= width <= kMaxStrWidth and 0 <= decimals.
std::string str_text(const Datum& number, int width, int decimals);

// The number at the start of text: leading blanks, an optional sign, digits
// and an optional fraction; reading stops at the first other character. 0
// when there are no digits. The result keeps its exact decimal text.
Datum val_of(std::string_view text);

}  // namespace kx::tables::expr

#endif  // KX_TABLES_EXPR_NUMBER_TEXT_H_
