// The key type of a tag, from its key expression and the table's fields.
#ifndef KX_TABLES_EXPR_KEY_TYPER_H_
#define KX_TABLES_EXPR_KEY_TYPER_H_

#include <vector>

#include "tables/cdx/index_file.h"
#include "tables/expr/expression.h"

namespace kx::tables::expr {

// A typer for an index opened with a table of these fields: the fill byte of
// each tag whose key expression compiles against the fields and whose key
// length fits the expression's type (tag_key.h plan_key); nullopt for the
// others (an unknown function, a long field name the table does not hold).
cdx::KeyTyper key_typer(std::vector<FieldInfo> fields);

}  // namespace kx::tables::expr

#endif  // KX_TABLES_EXPR_KEY_TYPER_H_
