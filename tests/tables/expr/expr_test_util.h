// An in-memory record for expression tests: a few fields of every type and
// helpers that compile and evaluate in one call.
#ifndef KX_TESTS_TABLES_EXPR_EXPR_TEST_UTIL_H_
#define KX_TESTS_TABLES_EXPR_EXPR_TEST_UTIL_H_

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tables/expr/expression.h"

namespace kx::tables::expr {

// Fields: NAME C "Abc  ", QTY N 12.5, ID I 42, DAY D 2024-02-29,
// STAMP T 2024-02-29 06:00, FLAG L .T., NOTHING C NULL, NUMNULL N NULL,
// PRICE N -2.675 (exact text), BLANK C "   ", PIC G (not usable).
class FakeRecord : public RecordAccess {
 public:
  FakeRecord() {
    fields = {{"NAME", 'C'},  {"QTY", 'N'},   {"ID", 'I'},      {"DAY", 'D'},
              {"STAMP", 'T'}, {"FLAG", 'L'},  {"NOTHING", 'C'}, {"NUMNULL", 'N'},
              {"PRICE", 'N'}, {"BLANK", 'C'}, {"PIC", 'G'}};
    const Date day = Date::from_ymd(2024, 2, 29);
    values = {Datum::character("Abc  "),
              Datum::number_of(12.5, "12.5"),
              Datum::number_of(42, "42"),
              Datum::date_of(day),
              Datum::datetime(day.julian(), 6 * 3600 * 1000),
              Datum::logical_of(true),
              Datum::null_of(Type::kCharacter),
              Datum::null_of(Type::kNumber),
              Datum::number_of(-2.675, "-2.675"),
              Datum::character("   "),
              Datum::character("")};
  }
  Status field(size_t index, Datum* value) override {
    ++reads;
    *value = values[index];
    return Status();
  }
  bool deleted() override { return deleted_flag; }

  std::vector<FieldInfo> fields;
  std::vector<Datum> values;
  bool deleted_flag = false;
  size_t reads = 0;  // field() calls so far
};

// Compiles text against the fake record's fields and evaluates it on
// record (a fresh one when nullptr). The compile or evaluation error, OK
// when there is none.
inline Status run(const std::string& text, Datum* value, FakeRecord* record = nullptr) {
  FakeRecord fresh;
  FakeRecord& r = record ? *record : fresh;
  Status status;
  std::unique_ptr<Expression> e = Expression::compile(text, r.fields, &status);
  return e ? e->evaluate(r, value) : status;
}

// The character result of text; "<problem: ...>" when it fails, "<type>"
// for another type, "<NULL>" for NULL.
inline std::string text_of(const std::string& text) {
  Datum d;
  const Status s = run(text, &d);
  if (!s.ok()) return "<problem: " + s.description() + ">";
  if (d.null) return "<NULL>";
  if (d.type != Type::kCharacter) return std::string("<") + type_name(d.type) + ">";
  return d.text;
}

// The numeric result (NaN when it fails, is NULL or gives another type).
inline double number_of(const std::string& text) {
  Datum d;
  if (!run(text, &d).ok() || d.null || d.type != Type::kNumber) return std::nan("");
  return d.number;
}

// The logical result as "T"/"F", or "<problem: ...>".
inline std::string logic_of(const std::string& text, FakeRecord* record = nullptr) {
  Datum d;
  const Status s = run(text, &d, record);
  if (!s.ok()) return "<problem: " + s.description() + ">";
  if (d.null || d.type != Type::kLogical) return "<not logical>";
  return d.logical ? "T" : "F";
}

// The compile error of text (OK when it compiles).
inline Status compile_status(const std::string& text) {
  Status status;
  FakeRecord r;
  Expression::compile(text, r.fields, &status);
  return status;
}

// The compile problem of text ("" when it compiles).
inline std::string compile_problem(const std::string& text) {
  return compile_status(text).description();
}

}  // namespace kx::tables::expr

#endif  // KX_TESTS_TABLES_EXPR_EXPR_TEST_UTIL_H_
