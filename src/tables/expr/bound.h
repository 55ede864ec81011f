// The compiled form of an expression, shared by the compiler and the
// evaluator (internal to tables/expr).
#ifndef KX_TABLES_EXPR_BOUND_H_
#define KX_TABLES_EXPR_BOUND_H_

#include <memory>
#include <vector>

#include "tables/expr/datum.h"
#include "tables/expr/expression.h"
#include "tables/expr/functions.h"
#include "tables/expr/parser.h"

namespace kx::tables::expr {

// A node whose names are bound (kName: field; kCall: function, and for
// FIELDGET the field) and whose result type is known.
struct Bound {
  NodeKind kind = NodeKind::kLiteral;
  Operator op = Operator::kNone;
  Function function = Function::kStr;
  size_t field = 0;
  Type type = Type::kCharacter;
  Datum literal;
  std::vector<std::unique_ptr<Bound>> args;
};

}  // namespace kx::tables::expr

#endif  // KX_TABLES_EXPR_BOUND_H_
