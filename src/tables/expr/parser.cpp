#include "tables/expr/parser.h"

#include <charconv>

#include "tables/expr/lexer.h"

namespace kx::tables::expr {
namespace {

// Nesting deeper than this is not an index expression; the limit keeps a
// damaged expression page from exhausting the stack.
constexpr int kMaxDepth = 64;

std::unique_ptr<Node> make(NodeKind kind, size_t position, Operator op = Operator::kNone) {
  auto node = std::make_unique<Node>();
  node->kind = kind;
  node->position = position;
  node->op = op;
  return node;
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, Status* status) : tokens_(std::move(tokens)), status_(status) {}

  std::unique_ptr<Node> run() {
    std::unique_ptr<Node> root = disjunction(0);
    if (root && peek().kind != TokenKind::kEnd) return fail("unexpected text");
    return root;
  }

 private:
  const Token& peek() const { return tokens_[pos_]; }
  bool accept(TokenKind kind) {
    if (peek().kind != kind) return false;
    ++pos_;
    return true;
  }

  std::unique_ptr<Node> fail(const std::string& what) {
    if (status_->ok()) {
      *status_ = Status::expression(what + " at position " + std::to_string(peek().position + 1));
    }
    return nullptr;
  }

  std::unique_ptr<Node> binary(Operator op, size_t position, std::unique_ptr<Node> left,
                               std::unique_ptr<Node> right) {
    if (!left || !right) return nullptr;
    std::unique_ptr<Node> node = make(NodeKind::kBinary, position, op);
    node->args.push_back(std::move(left));
    node->args.push_back(std::move(right));
    return node;
  }

  std::unique_ptr<Node> disjunction(int depth) {
    if (depth > kMaxDepth) return fail("expression nested too deeply");
    std::unique_ptr<Node> left = conjunction(depth);
    while (left && peek().kind == TokenKind::kOr) {
      const size_t at = tokens_[pos_++].position;
      left = binary(Operator::kOr, at, std::move(left), conjunction(depth));
    }
    return left;
  }

  std::unique_ptr<Node> conjunction(int depth) {
    std::unique_ptr<Node> left = negation(depth);
    while (left && peek().kind == TokenKind::kAnd) {
      const size_t at = tokens_[pos_++].position;
      left = binary(Operator::kAnd, at, std::move(left), negation(depth));
    }
    return left;
  }

  std::unique_ptr<Node> negation(int depth) {
    if (peek().kind != TokenKind::kNot) return comparison(depth);
    if (depth > kMaxDepth) return fail("expression nested too deeply");
    const size_t at = tokens_[pos_++].position;
    std::unique_ptr<Node> operand = negation(depth + 1);
    if (!operand) return nullptr;
    std::unique_ptr<Node> node = make(NodeKind::kUnary, at, Operator::kNot);
    node->args.push_back(std::move(operand));
    return node;
  }

  static Operator comparison_operator(TokenKind kind) {
    switch (kind) {
      case TokenKind::kEqual:
        return Operator::kEqual;
      case TokenKind::kExactEqual:
        return Operator::kExactEqual;
      case TokenKind::kNotEqual:
        return Operator::kNotEqual;
      case TokenKind::kLess:
        return Operator::kLess;
      case TokenKind::kLessEqual:
        return Operator::kLessEqual;
      case TokenKind::kGreater:
        return Operator::kGreater;
      case TokenKind::kGreaterEqual:
        return Operator::kGreaterEqual;
      default:
        return Operator::kNone;
    }
  }

  std::unique_ptr<Node> comparison(int depth) {
    std::unique_ptr<Node> left = additive(depth);
    for (Operator op; left && (op = comparison_operator(peek().kind)) != Operator::kNone;) {
      const size_t at = tokens_[pos_++].position;
      left = binary(op, at, std::move(left), additive(depth));
    }
    return left;
  }

  std::unique_ptr<Node> additive(int depth) {
    std::unique_ptr<Node> left = multiplicative(depth);
    while (left && (peek().kind == TokenKind::kPlus || peek().kind == TokenKind::kMinus)) {
      const Operator op = peek().kind == TokenKind::kPlus ? Operator::kAdd : Operator::kSubtract;
      const size_t at = tokens_[pos_++].position;
      left = binary(op, at, std::move(left), multiplicative(depth));
    }
    return left;
  }

  std::unique_ptr<Node> multiplicative(int depth) {
    std::unique_ptr<Node> left = unary(depth);
    while (left && (peek().kind == TokenKind::kStar || peek().kind == TokenKind::kSlash)) {
      const Operator op = peek().kind == TokenKind::kStar ? Operator::kMultiply : Operator::kDivide;
      const size_t at = tokens_[pos_++].position;
      left = binary(op, at, std::move(left), unary(depth));
    }
    return left;
  }

  std::unique_ptr<Node> unary(int depth) {
    if (peek().kind != TokenKind::kPlus && peek().kind != TokenKind::kMinus) return primary(depth);
    if (depth > kMaxDepth) return fail("expression nested too deeply");
    const Operator op = peek().kind == TokenKind::kPlus ? Operator::kPlus : Operator::kNegate;
    const size_t at = tokens_[pos_++].position;
    std::unique_ptr<Node> operand = unary(depth + 1);
    if (!operand) return nullptr;
    std::unique_ptr<Node> node = make(NodeKind::kUnary, at, op);
    node->args.push_back(std::move(operand));
    return node;
  }

  std::unique_ptr<Node> primary(int depth) {
    const Token& token = peek();
    switch (token.kind) {
      case TokenKind::kNumber:
        return number_literal();
      case TokenKind::kString:
        return literal(Datum::character(token.text));
      case TokenKind::kTrue:
        return literal(Datum::logical_of(true));
      case TokenKind::kFalse:
        return literal(Datum::logical_of(false));
      case TokenKind::kIdentifier:
        return name_or_call(depth);
      case TokenKind::kOpen: {
        ++pos_;
        std::unique_ptr<Node> inner = disjunction(depth + 1);
        if (inner && !accept(TokenKind::kClose)) return fail("')' expected");
        return inner;
      }
      default:
        return fail(token.kind == TokenKind::kEnd ? "unexpected end of expression"
                                                  : "operand expected");
    }
  }

  std::unique_ptr<Node> literal(Datum value) {
    std::unique_ptr<Node> node = make(NodeKind::kLiteral, tokens_[pos_++].position);
    node->literal = std::move(value);
    return node;
  }

  std::unique_ptr<Node> number_literal() {
    const std::string& text = peek().text;
    double value = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return fail("bad number");
    std::string decimal = text[0] == '.' ? "0" + text : text;
    return literal(Datum::number_of(value, std::move(decimal)));
  }

  std::unique_ptr<Node> name_or_call(int depth) {
    const Token& token = tokens_[pos_++];
    if (!accept(TokenKind::kOpen)) {
      std::unique_ptr<Node> node = make(NodeKind::kName, token.position);
      node->name = token.text;
      return node;
    }
    std::unique_ptr<Node> node = make(NodeKind::kCall, token.position);
    node->name = token.text;
    if (accept(TokenKind::kClose)) return node;
    do {
      std::unique_ptr<Node> arg = disjunction(depth + 1);
      if (!arg) return nullptr;
      node->args.push_back(std::move(arg));
    } while (accept(TokenKind::kComma));
    if (!accept(TokenKind::kClose)) return fail("')' expected");
    return node;
  }

  const std::vector<Token> tokens_;
  Status* const status_;
  size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<Node> parse(std::string_view text, Status* status) {
  std::vector<Token> tokens;
  *status = tokenize(text, &tokens);
  if (!status->ok()) return nullptr;
  return Parser(std::move(tokens), status).run();
}

}  // namespace kx::tables::expr
