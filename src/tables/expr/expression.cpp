#include "tables/expr/expression.h"

#include <cmath>

#include "runtime/text/ascii.h"
#include "tables/expr/bound.h"
#include "tables/expr/evaluate.h"

namespace kx::tables::expr {
namespace {

bool is_comparison(Operator op) {
  return op == Operator::kEqual || op == Operator::kExactEqual || op == Operator::kNotEqual ||
         op == Operator::kLess || op == Operator::kLessEqual || op == Operator::kGreater ||
         op == Operator::kGreaterEqual;
}

class Binder {
 public:
  Binder(const std::vector<FieldInfo>& fields, Status* status) : fields_(fields), status_(status) {}

  std::unique_ptr<Bound> bind(const Node& node) {
    switch (node.kind) {
      case NodeKind::kLiteral: {
        auto b = make(node, node.literal.type);
        b->literal = node.literal;
        return b;
      }
      case NodeKind::kName:
        return field(node);
      case NodeKind::kCall:
        return call(node);
      case NodeKind::kUnary:
        return unary(node);
      case NodeKind::kBinary:
        return binary(node);
    }
    return fail("unknown node");
  }

 private:
  std::unique_ptr<Bound> fail(const std::string& what, uint32_t gencode = kGenArgument) {
    *status_ = Status::expression(what, gencode);
    return nullptr;
  }
  std::unique_ptr<Bound> wrong_type(const std::string& what) { return fail(what, kGenDataType); }

  static std::unique_ptr<Bound> make(const Node& node, Type type) {
    auto b = std::make_unique<Bound>();
    b->kind = node.kind;
    b->op = node.op;
    b->type = type;
    return b;
  }

  std::unique_ptr<Bound> field_at(const Node& node, size_t index) {
    Type type;
    if (!field_type(fields_[index].type, &type)) {
      return wrong_type("field " + fields_[index].name + " of type " + fields_[index].type +
                        " cannot be used in an expression");
    }
    auto b = make(node, type);
    b->field = index;
    return b;
  }

  std::unique_ptr<Bound> field(const Node& node) {
    for (size_t i = 0; i < fields_.size(); ++i) {
      if (ascii_equal_ignoring_case(fields_[i].name, node.name)) return field_at(node, i);
    }
    return fail("unknown name " + node.name + " (no field of the table)");
  }

  // FIELDGET(n) with a constant n reads field n; anything else would make the
  // key's type depend on the record.
  std::unique_ptr<Bound> fieldget(const Node& node) {
    const Node& arg = *node.args[0];
    const double n = arg.literal.number;
    if (arg.kind != NodeKind::kLiteral || arg.literal.type != Type::kNumber || n != std::floor(n) ||
        n < 1 || n > static_cast<double>(fields_.size())) {
      return fail("FIELDGET() needs a constant field number from 1 to " +
                  std::to_string(fields_.size()));
    }
    std::unique_ptr<Bound> b = field_at(node, static_cast<size_t>(n) - 1);
    if (b) b->function = Function::kFieldget;
    return b;
  }

  std::unique_ptr<Bound> call(const Node& node) {
    const FunctionInfo* f = find_function(node.name);
    if (f == nullptr) return fail("unsupported function " + node.name + "()");
    if (node.args.size() < f->min_args || node.args.size() > f->max_args) {
      return fail(std::string(f->name) + "() with " + std::to_string(node.args.size()) +
                  " arguments");
    }
    if (f->id == Function::kFieldget) return fieldget(node);
    std::vector<std::unique_ptr<Bound>> args;
    std::vector<Type> types;
    for (const auto& a : node.args) {
      args.push_back(bind(*a));
      if (!args.back()) return nullptr;
      types.push_back(args.back()->type);
    }
    Type type = Type::kLogical;
    if (f->id != Function::kDeleted) {
      *status_ = function_type(*f, types, &type);
      if (!status_->ok()) return nullptr;
    }
    auto b = make(node, type);
    b->function = f->id;
    b->args = std::move(args);
    return b;
  }

  std::unique_ptr<Bound> unary(const Node& node) {
    std::unique_ptr<Bound> operand = bind(*node.args[0]);
    if (!operand) return nullptr;
    const Type want = node.op == Operator::kNot ? Type::kLogical : Type::kNumber;
    if (operand->type != want) {
      return wrong_type(std::string(node.op == Operator::kNot ? ".NOT." : "sign") + " of a " +
                        type_name(operand->type));
    }
    auto b = make(node, want);
    b->args.push_back(std::move(operand));
    return b;
  }

  std::unique_ptr<Bound> binary(const Node& node) {
    std::unique_ptr<Bound> left = bind(*node.args[0]);
    if (!left) return nullptr;
    std::unique_ptr<Bound> right = bind(*node.args[1]);
    if (!right) return nullptr;
    Type type;
    if (!binary_type(node.op, left->type, right->type, &type)) {
      return wrong_type(std::string("operator at position ") + std::to_string(node.position + 1) +
                        " cannot combine " + type_name(left->type) + " and " +
                        type_name(right->type));
    }
    auto b = make(node, type);
    b->args.push_back(std::move(left));
    b->args.push_back(std::move(right));
    return b;
  }

  static bool binary_type(Operator op, Type left, Type right, Type* type) {
    if (left != right) return false;
    if (op == Operator::kAnd || op == Operator::kOr) {
      *type = Type::kLogical;
      return left == Type::kLogical;
    }
    if (is_comparison(op)) {
      *type = Type::kLogical;
      const bool equality =
          op == Operator::kEqual || op == Operator::kExactEqual || op == Operator::kNotEqual;
      return left != Type::kLogical || equality;
    }
    *type = left;
    if (op == Operator::kAdd) return left == Type::kCharacter || left == Type::kNumber;
    return left == Type::kNumber;
  }

  const std::vector<FieldInfo>& fields_;
  Status* const status_;
};

}  // namespace

bool field_type(char letter, Type* type) {
  switch (letter) {
    case 'C':
    case 'V':
    case 'Q':
    case 'M':
      *type = Type::kCharacter;
      return true;
    case 'N':
    case 'F':
    case 'B':
    case 'Y':
    case 'I':
      *type = Type::kNumber;
      return true;
    case 'D':
      *type = Type::kDate;
      return true;
    case 'T':
      *type = Type::kDateTime;
      return true;
    case 'L':
      *type = Type::kLogical;
      return true;
    default:
      return false;
  }
}

Expression::Expression(std::unique_ptr<Bound> root, bool integer_field)
    : root_(std::move(root)), integer_field_(integer_field) {}

Expression::~Expression() = default;

std::unique_ptr<Expression> Expression::compile(std::string_view text,
                                                const std::vector<FieldInfo>& fields,
                                                Status* status) {
  std::unique_ptr<Node> tree = parse(text, status);
  if (!tree) return nullptr;
  std::unique_ptr<Bound> root = Binder(fields, status).bind(*tree);
  if (!root) return nullptr;
  const bool integer_field = root->kind == NodeKind::kName && fields[root->field].type == 'I';
  return std::unique_ptr<Expression>(new Expression(std::move(root), integer_field));
}

Type Expression::type() const { return root_->type; }

bool Expression::is_integer_field() const { return integer_field_; }

Status Expression::evaluate(RecordAccess& record, Datum* value) const {
  return evaluate_bound(*root_, record, value);
}

}  // namespace kx::tables::expr
