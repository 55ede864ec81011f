// Splits an index key or FOR expression into tokens.
#ifndef KX_TABLES_EXPR_LEXER_H_
#define KX_TABLES_EXPR_LEXER_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tables/status.h"

namespace kx::tables::expr {

enum class TokenKind {
  kIdentifier,  // a field or function name, as written
  kNumber,      // decimal digits with an optional fraction; text holds them
  kString,      // text holds the contents without the quotes
  kTrue,        // .T.
  kFalse,       // .F.
  kAnd,         // .AND.
  kOr,          // .OR.
  kNot,         // .NOT. or !
  kOpen,
  kClose,
  kComma,
  kPlus,
  kMinus,
  kStar,
  kSlash,
  kEqual,       // =  (prefix comparison for strings)
  kExactEqual,  // ==
  kNotEqual,    // <> # !=
  kLess,
  kLessEqual,
  kGreater,
  kGreaterEqual,  // >= and =>
  kEnd,
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;
  size_t position = 0;  // offset in the expression, for messages
};

// The tokens of text, ending with one kEnd token. Letter case is ignored in
// the dotted words (.t., .and.). Returns an expression error describing the
// first character that starts no token, for anything outside the language.
Status tokenize(std::string_view text, std::vector<Token>* tokens);

}  // namespace kx::tables::expr

#endif  // KX_TABLES_EXPR_LEXER_H_
