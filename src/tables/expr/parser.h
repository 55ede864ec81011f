// The syntax tree of an index key or FOR expression.
//
// Precedence, lowest first: .OR.; .AND.; .NOT. and !; the comparisons
// (= == <> # != < <= > >= =>); + and -; * and /; unary + and -; then
// literals, field names, function calls and parentheses.
#ifndef KX_TABLES_EXPR_PARSER_H_
#define KX_TABLES_EXPR_PARSER_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tables/expr/datum.h"
#include "tables/status.h"

namespace kx::tables::expr {

enum class NodeKind { kLiteral, kName, kCall, kUnary, kBinary };

enum class Operator {
  kNone,
  kAdd,
  kSubtract,
  kMultiply,
  kDivide,
  kEqual,
  kExactEqual,
  kNotEqual,
  kLess,
  kLessEqual,
  kGreater,
  kGreaterEqual,
  kAnd,
  kOr,
  kNot,
  kNegate,
  kPlus,
};

struct Node {
  NodeKind kind = NodeKind::kLiteral;
  Operator op = Operator::kNone;            // kUnary and kBinary
  std::string name;                         // kName and kCall, as written
  Datum literal;                            // kLiteral
  std::vector<std::unique_ptr<Node>> args;  // operands or call arguments
  size_t position = 0;                      // offset in the expression text
};

// Parses text. Returns nullptr, with *status set to an expression error, on
// a syntax error or a construct outside the language (alias references,
// macros, arrays, ...); *status is OK on success.
std::unique_ptr<Node> parse(std::string_view text, Status* status);

}  // namespace kx::tables::expr

#endif  // KX_TABLES_EXPR_PARSER_H_
