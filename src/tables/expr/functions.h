// The functions that index key and FOR expressions may call: their names,
// argument types and results.
#ifndef KX_TABLES_EXPR_FUNCTIONS_H_
#define KX_TABLES_EXPR_FUNCTIONS_H_

#include <string_view>
#include <vector>

#include "tables/expr/datum.h"
#include "tables/status.h"

namespace kx::tables::expr {

enum class Function {
  kStr,
  kDtos,
  kPadl,
  kPadr,
  kAlltrim,
  kLtrim,
  kRtrim,
  kTrim,
  kUpper,
  kLower,
  kSubstr,
  kLeft,
  kRight,
  kVal,
  kYear,
  kMonth,
  kDay,
  kEmpty,
  kFieldget,
  kIif,
  kDeleted,
};

struct FunctionInfo {
  Function id;
  const char* name;  // upper case
  size_t min_args;
  size_t max_args;
};

// The function called name (letter case ignored; no abbreviations); nullptr
// when the language has no such function.
const FunctionInfo* find_function(std::string_view name);

// The result type of a call with arguments of types args (whose count is
// within the function's limits). A kGenDataType expression error when an
// argument has a type the function does not take. FIELDGET's result depends
// on the field and is the caller's business; here it is rejected.
Status function_type(const FunctionInfo& function, const std::vector<Type>& args, Type* result);

// Calls a function whose result depends only on its arguments (every one but
// FIELDGET, IIF and DELETED, which the evaluator handles), with arguments of
// the types function_type accepted. A NULL argument gives a NULL result,
// except for EMPTY(), where it is an error. An expression error for what the
// function cannot do or cannot be trusted to match: a negative or huge
// width, a SUBSTR start before the first character, UPPER and LOWER of bytes
// above 127 (whose case mapping depends on the code page).
Status call_function(Function function, const std::vector<Datum>& args, Datum* result);

}  // namespace kx::tables::expr

#endif  // KX_TABLES_EXPR_FUNCTIONS_H_
