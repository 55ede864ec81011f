#include "tables/expr/lexer.h"

#include <cctype>

#include "runtime/text/ascii.h"

namespace kx::tables::expr {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_name_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool is_name_char(char c) { return is_name_start(c) || is_digit(c); }

class Lexer {
 public:
  Lexer(std::string_view text, std::vector<Token>* tokens) : text_(text), tokens_(tokens) {}

  Status run() {
    tokens_->clear();
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == ' ' || c == '\t') {
        ++pos_;
      } else if (!next_token(c)) {
        return status_;
      }
    }
    tokens_->push_back(Token{TokenKind::kEnd, "", text_.size()});
    return Status();
  }

 private:
  bool next_token(char c) {
    const size_t start = pos_;
    if (is_name_start(c)) {
      while (pos_ < text_.size() && is_name_char(text_[pos_])) ++pos_;
      return add(TokenKind::kIdentifier, start, std::string(text_.substr(start, pos_ - start)));
    }
    if (is_digit(c) || (c == '.' && is_digit(peek(1)))) return number(start);
    if (c == '.') return dotted_word(start);
    if (c == '"' || c == '\'') return string(start, c);
    return symbol(start, c);
  }

  char peek(size_t ahead) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }

  bool add(TokenKind kind, size_t start, std::string text = "") {
    tokens_->push_back(Token{kind, std::move(text), start});
    return true;
  }

  bool fail(size_t at, const std::string& what) {
    status_ = Status::expression(what + " at position " + std::to_string(at + 1));
    return false;
  }

  // A decimal point belongs to the number only when a digit follows it, so
  // that "5.AND." reads as 5 and .AND.
  bool number(size_t start) {
    while (is_digit(peek(0))) ++pos_;
    if (peek(0) == '.' && is_digit(peek(1))) {
      ++pos_;
      while (is_digit(peek(0))) ++pos_;
    }
    if (is_name_char(peek(0))) return fail(pos_, "unexpected character in a number");
    return add(TokenKind::kNumber, start, std::string(text_.substr(start, pos_ - start)));
  }

  bool dotted_word(size_t start) {
    size_t end = start + 1;
    while (end < text_.size() && std::isalpha(static_cast<unsigned char>(text_[end]))) ++end;
    if (end >= text_.size() || text_[end] != '.') return fail(start, "unexpected '.'");
    const std::string word = ascii_upper(text_.substr(start + 1, end - start - 1));
    pos_ = end + 1;
    if (word == "T") return add(TokenKind::kTrue, start);
    if (word == "F") return add(TokenKind::kFalse, start);
    if (word == "AND") return add(TokenKind::kAnd, start);
    if (word == "OR") return add(TokenKind::kOr, start);
    if (word == "NOT") return add(TokenKind::kNot, start);
    return fail(start, "unsupported word ." + word + ".");
  }

  bool string(size_t start, char quote) {
    const size_t close = text_.find(quote, start + 1);
    if (close == std::string_view::npos) return fail(start, "unterminated string");
    pos_ = close + 1;
    return add(TokenKind::kString, start, std::string(text_.substr(start + 1, close - start - 1)));
  }

  bool symbol(size_t start, char c) {
    const char n = peek(1);
    auto two = [&](TokenKind kind) {
      pos_ += 2;
      return add(kind, start);
    };
    auto one = [&](TokenKind kind) {
      pos_ += 1;
      return add(kind, start);
    };
    switch (c) {
      case '(':
        return one(TokenKind::kOpen);
      case ')':
        return one(TokenKind::kClose);
      case ',':
        return one(TokenKind::kComma);
      case '+':
        return one(TokenKind::kPlus);
      case '-':
        if (n == '>') return fail(start, "unsupported alias reference '->'");
        return one(TokenKind::kMinus);
      case '*':
        return one(TokenKind::kStar);
      case '/':
        return one(TokenKind::kSlash);
      case '#':
        return one(TokenKind::kNotEqual);
      case '!':
        return n == '=' ? two(TokenKind::kNotEqual) : one(TokenKind::kNot);
      case '=':
        if (n == '=') return two(TokenKind::kExactEqual);
        if (n == '>') return two(TokenKind::kGreaterEqual);
        return one(TokenKind::kEqual);
      case '<':
        if (n == '>') return two(TokenKind::kNotEqual);
        if (n == '=') return two(TokenKind::kLessEqual);
        return one(TokenKind::kLess);
      case '>':
        return n == '=' ? two(TokenKind::kGreaterEqual) : one(TokenKind::kGreater);
      default:
        return fail(start, std::string("unsupported character '") + c + "'");
    }
  }

  const std::string_view text_;
  std::vector<Token>* const tokens_;
  Status status_;  // the first failure
  size_t pos_ = 0;
};

}  // namespace

Status tokenize(std::string_view text, std::vector<Token>* tokens) {
  return Lexer(text, tokens).run();
}

}  // namespace kx::tables::expr
