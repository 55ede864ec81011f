// Evaluation of a compiled expression tree on one record (internal to
// tables/expr; Expression::evaluate is the public entry).
#ifndef KX_TABLES_EXPR_EVALUATE_H_
#define KX_TABLES_EXPR_EVALUATE_H_

#include "tables/expr/bound.h"
#include "tables/expr/datum.h"
#include "tables/expr/expression.h"
#include "tables/status.h"

namespace kx::tables::expr {

// Evaluates root on record into *value. OK, or the field's error or the
// failed operation's expression error. .AND. and .OR. stop as soon as their
// result is known.
Status evaluate_bound(const Bound& root, RecordAccess& record, Datum* value);

}  // namespace kx::tables::expr

#endif  // KX_TABLES_EXPR_EVALUATE_H_
