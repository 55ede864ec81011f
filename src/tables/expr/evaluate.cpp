#include "tables/expr/evaluate.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kx::tables::expr {
namespace {

// Strings compare as unsigned bytes over the right operand's length: a left
// operand that is longer but starts with the right one counts as equal (so
// "ABC" = "AB" holds), a shorter one as less.
int compare_text(const std::string& left, const std::string& right) {
  const size_t n = std::min(left.size(), right.size());
  const int c = n == 0 ? 0 : std::memcmp(left.data(), right.data(), n);
  if (c != 0) return c < 0 ? -1 : 1;
  return left.size() >= right.size() ? 0 : -1;
}

template <class T>
int three_way(const T& a, const T& b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

int compare(const Datum& left, const Datum& right) {
  switch (left.type) {
    case Type::kCharacter:
      return compare_text(left.text, right.text);
    case Type::kNumber:
      return three_way(left.number, right.number);
    case Type::kDate:
      return three_way(left.date.julian(), right.date.julian());
    case Type::kDateTime: {
      const int c = three_way(left.day, right.day);
      return c != 0 ? c : three_way(left.milliseconds, right.milliseconds);
    }
    case Type::kLogical:
      return three_way(left.logical, right.logical);
  }
  return 0;
}

bool comparison(Operator op, const Datum& left, const Datum& right) {
  if (op == Operator::kExactEqual) {
    return left.type == Type::kCharacter ? left.text == right.text : compare(left, right) == 0;
  }
  const int c = compare(left, right);
  switch (op) {
    case Operator::kEqual:
      return c == 0;
    case Operator::kNotEqual:
      return c != 0;
    case Operator::kLess:
      return c < 0;
    case Operator::kLessEqual:
      return c <= 0;
    case Operator::kGreater:
      return c > 0;
    default:
      return c >= 0;
  }
}

Status arithmetic(Operator op, const Datum& left, const Datum& right, Datum* out) {
  if (left.type == Type::kCharacter) {
    *out = Datum::character(left.text + right.text);
    return Status();
  }
  double v = 0;
  switch (op) {
    case Operator::kAdd:
      v = left.number + right.number;
      break;
    case Operator::kSubtract:
      v = left.number - right.number;
      break;
    case Operator::kMultiply:
      v = left.number * right.number;
      break;
    default:
      if (right.number == 0) return Status::expression("division by zero", kGenZeroDiv);
      v = left.number / right.number;
  }
  if (!std::isfinite(v)) return Status::expression("numeric overflow", kGenNumOverflow);
  *out = Datum::number_of(v);
  return Status();
}

class Evaluator {
 public:
  explicit Evaluator(RecordAccess& record) : record_(record) {}

  Status eval(const Bound& b, Datum* out) {
    switch (b.kind) {
      case NodeKind::kLiteral:
        *out = b.literal;
        return Status();
      case NodeKind::kName:
        return record_.field(b.field, out);
      case NodeKind::kCall:
        return call(b, out);
      case NodeKind::kUnary:
        return unary(b, out);
      case NodeKind::kBinary:
        return binary(b, out);
    }
    return Status::expression("unknown node");
  }

 private:
  Status logical(const Bound& b, bool* value) {
    Datum d;
    Status s = eval(b, &d);
    if (!s.ok()) return s;
    if (d.null) return Status::expression("NULL value in a condition");
    *value = d.logical;
    return Status();
  }

  Status call(const Bound& b, Datum* out) {
    switch (b.function) {
      case Function::kFieldget:
        return record_.field(b.field, out);
      case Function::kDeleted:
        *out = Datum::logical_of(record_.deleted());
        return Status();
      case Function::kIif: {
        bool condition = false;
        Status s = logical(*b.args[0], &condition);
        if (!s.ok()) return s;
        return eval(*b.args[condition ? 1 : 2], out);
      }
      default:
        break;
    }
    std::vector<Datum> args(b.args.size());
    for (size_t i = 0; i < b.args.size(); ++i) {
      Status s = eval(*b.args[i], &args[i]);
      if (!s.ok()) return s;
    }
    return call_function(b.function, args, out);
  }

  Status unary(const Bound& b, Datum* out) {
    if (b.op == Operator::kNot) {
      bool v = false;
      Status s = logical(*b.args[0], &v);
      if (!s.ok()) return s;
      *out = Datum::logical_of(!v);
      return Status();
    }
    Status s = eval(*b.args[0], out);
    if (!s.ok()) return s;
    if (b.op == Operator::kNegate && !out->null) {
      out->number = -out->number;
      if (out->number == 0) out->number = 0;
      std::string& d = out->decimal;
      if (!d.empty() && d[0] == '-') {
        d.erase(0, 1);
      } else if (!d.empty() && d.find_first_not_of("0.") != std::string::npos) {
        d.insert(0, "-");
      }
    }
    return Status();
  }

  Status binary(const Bound& b, Datum* out) {
    if (b.op == Operator::kAnd || b.op == Operator::kOr) {
      // Evaluated left to right and stopped as soon as the result is known.
      bool v = false;
      Status s = logical(*b.args[0], &v);
      if (!s.ok()) return s;
      if (v == (b.op == Operator::kOr)) {
        *out = Datum::logical_of(v);
        return Status();
      }
      s = logical(*b.args[1], &v);
      if (!s.ok()) return s;
      *out = Datum::logical_of(v);
      return Status();
    }
    Datum left, right;
    Status s = eval(*b.args[0], &left);
    if (s.ok()) s = eval(*b.args[1], &right);
    if (!s.ok()) return s;
    if (b.type == Type::kLogical) {
      if (left.null || right.null) return Status::expression("NULL value in a comparison");
      *out = Datum::logical_of(comparison(b.op, left, right));
      return Status();
    }
    if (left.null || right.null) {
      *out = Datum::null_of(b.type);
      return Status();
    }
    return arithmetic(b.op, left, right, out);
  }

  RecordAccess& record_;
};

}  // namespace

Status evaluate_bound(const Bound& root, RecordAccess& record, Datum* value) {
  return Evaluator(record).eval(root, value);
}

}  // namespace kx::tables::expr
