// An index key or FOR expression, compiled against a table's fields and
// evaluated record by record.
//
// The language is what the point-of-sale tables' index expressions use:
// field names, string and number literals, .T. and .F., + (concatenation or
// addition), - * / on numbers, parentheses, the comparisons, .AND. .OR.
// .NOT. !, and the functions of functions.h. Anything else does not compile,
// so that a check built on it never guesses.
#ifndef KX_TABLES_EXPR_EXPRESSION_H_
#define KX_TABLES_EXPR_EXPRESSION_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tables/expr/datum.h"
#include "tables/status.h"

namespace kx::tables::expr {

// A field as the compiler sees it: its name and table type letter.
struct FieldInfo {
  std::string name;
  char type = 'C';
};

// The record an expression is evaluated on.
class RecordAccess {
 public:
  virtual ~RecordAccess() = default;
  // The value of field index (0-based position in the FieldInfo list the
  // expression was compiled with), of the type the field's letter maps to,
  // NULL when the field holds NULL. OK, or an error describing why the value
  // cannot be had or cannot be trusted.
  virtual Status field(size_t index, Datum* value) = 0;
  // Whether the record is marked deleted.
  virtual bool deleted() = 0;
};

// The expression type of a table field type: C V Q M character; N F B Y I
// number; D date; T datetime; L logical. False for the others (G, W, P, the
// null flags).
bool field_type(char letter, Type* type);

struct Bound;  // the compiled tree (bound.h)

class Expression {
 public:
  // Parses text and binds its names to fields (letter case ignored). Returns
  // nullptr, with *status set to an expression error, for a syntax error, a
  // name that is no field, an unknown function, a wrong argument count, a
  // type that does not fit (kGenDataType), or FIELDGET() without a constant
  // field number; *status is OK on success.
  static std::unique_ptr<Expression> compile(std::string_view text,
                                             const std::vector<FieldInfo>& fields, Status* status);
  ~Expression();
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  Type type() const;
  // True when the whole expression is one field of type letter I (such keys
  // have their own 4-byte encoding).
  bool is_integer_field() const;

  // Evaluates on record. OK, or the error of a field that cannot be read or
  // the expression error of an operation that fails (division by zero
  // kGenZeroDiv, overflow kGenNumOverflow, a NULL in a comparison or a
  // logical operator, a function's failure). NULL field values pass through
  // arithmetic, concatenation and functions as NULL.
  Status evaluate(RecordAccess& record, Datum* value) const;

 private:
  explicit Expression(std::unique_ptr<Bound> root, bool integer_field);

  const std::unique_ptr<Bound> root_;
  const bool integer_field_;
};

}  // namespace kx::tables::expr

#endif  // KX_TABLES_EXPR_EXPRESSION_H_
