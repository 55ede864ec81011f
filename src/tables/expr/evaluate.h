// Evaluation of a compiled expression tree on one record (internal to
// tables/expr; Expression::evaluate is the public entry).
#ifndef KX_TABLES_EXPR_EVALUATE_H_
#define KX_TABLES_EXPR_EVALUATE_H_

#include <string>

#include "tables/expr/bound.h"
#include "tables/expr/datum.h"
#include "tables/expr/expression.h"

namespace kx::tables::expr {

// Evaluates root on record into *value. False, with *problem set, when a
// field cannot be read or an operation fails; *problem is cleared first.
// .AND. and .OR. stop as soon as their result is known.
bool evaluate_bound(const Bound& root, RecordAccess& record, Datum* value, std::string* problem);

}  // namespace kx::tables::expr

#endif  // KX_TABLES_EXPR_EVALUATE_H_
