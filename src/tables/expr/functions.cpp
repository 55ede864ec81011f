#include "tables/expr/functions.h"

#include <algorithm>
#include <cmath>

#include "runtime/text/ascii.h"
#include "runtime/text/text.h"
#include "tables/expr/number_text.h"

namespace kx::tables::expr {
namespace {

// Widths beyond this are no key's business; refusing them bounds allocation.
constexpr int64_t kMaxWidth = 65535;

constexpr FunctionInfo kFunctions[] = {
    {Function::kStr, "STR", 1, 3},           {Function::kDtos, "DTOS", 1, 1},
    {Function::kPadl, "PADL", 2, 3},         {Function::kPadr, "PADR", 2, 3},
    {Function::kAlltrim, "ALLTRIM", 1, 1},   {Function::kLtrim, "LTRIM", 1, 1},
    {Function::kRtrim, "RTRIM", 1, 1},       {Function::kTrim, "TRIM", 1, 1},
    {Function::kUpper, "UPPER", 1, 1},       {Function::kLower, "LOWER", 1, 1},
    {Function::kSubstr, "SUBSTR", 2, 3},     {Function::kLeft, "LEFT", 2, 2},
    {Function::kRight, "RIGHT", 2, 2},       {Function::kVal, "VAL", 1, 1},
    {Function::kYear, "YEAR", 1, 1},         {Function::kMonth, "MONTH", 1, 1},
    {Function::kDay, "DAY", 1, 1},           {Function::kEmpty, "EMPTY", 1, 1},
    {Function::kFieldget, "FIELDGET", 1, 1}, {Function::kIif, "IIF", 3, 3},
    {Function::kDeleted, "DELETED", 0, 0},
};

// Argument types, one letter per argument: C character, N number, D date or
// datetime, L logical, * anything.
const char* argument_letters(Function f) {
  switch (f) {
    case Function::kStr:
      return "NNN";
    case Function::kDtos:
    case Function::kYear:
    case Function::kMonth:
    case Function::kDay:
      return "D";
    case Function::kPadl:
    case Function::kPadr:
      return "CNC";
    case Function::kSubstr:
      return "CNN";
    case Function::kLeft:
    case Function::kRight:
      return "CN";
    case Function::kEmpty:
      return "*";
    case Function::kIif:
      return "L**";
    default:
      return "C";
  }
}

bool fits(char letter, Type type) {
  switch (letter) {
    case 'C':
      return type == Type::kCharacter;
    case 'N':
      return type == Type::kNumber;
    case 'D':
      return type == Type::kDate || type == Type::kDateTime;
    case 'L':
      return type == Type::kLogical;
    default:
      return true;
  }
}

Type result_type(Function f) {
  switch (f) {
    case Function::kVal:
    case Function::kYear:
    case Function::kMonth:
    case Function::kDay:
      return Type::kNumber;
    case Function::kEmpty:
    case Function::kDeleted:
      return Type::kLogical;
    default:
      return Type::kCharacter;
  }
}

// A whole-number argument (truncated towards zero).
Status count_of(const Datum& d, int64_t* out) {
  if (!std::isfinite(d.number) || std::fabs(d.number) > 1e9) {
    return Status::expression("number argument out of range");
  }
  *out = static_cast<int64_t>(std::trunc(d.number));
  return Status();
}

Status width_of(const Datum& d, int64_t* out) {
  Status s = count_of(d, out);
  if (!s.ok()) return s;
  if (*out < 0 || *out > kMaxWidth) {
    return Status::expression("width " + std::to_string(*out) + " out of range");
  }
  return Status();
}

Date date_part(const Datum& d) { return d.type == Type::kDate ? d.date : Date::from_julian(d.day); }

Status change_case(const std::string& in, bool to_upper, Datum* out) {
  for (char c : in) {
    if (static_cast<unsigned char>(c) > 127) {
      return Status::expression(std::string(to_upper ? "UPPER" : "LOWER") +
                                " of a character above 127 (its case depends on the code page)");
    }
  }
  *out = Datum::character(to_upper ? ascii_upper(in) : ascii_lower(in));
  return Status();
}

Status pad(const std::vector<Datum>& args, bool on_left, Datum* out) {
  int64_t width = 0;
  Status s = width_of(args[1], &width);
  if (!s.ok()) return s;
  char fill = ' ';
  if (args.size() > 2) {
    if (args[2].text.empty()) return Status::expression("empty pad character");
    fill = args[2].text[0];
  }
  const std::string& text = args[0].text;
  const size_t w = static_cast<size_t>(width);
  if (text.size() >= w) {
    *out = Datum::character(text.substr(0, w));
  } else {
    const std::string padding(w - text.size(), fill);
    *out = Datum::character(on_left ? padding + text : text + padding);
  }
  return Status();
}

Status str(const std::vector<Datum>& args, Datum* out) {
  int64_t width = 10, decimals = 0;
  Status s;
  if (args.size() > 1) s = count_of(args[1], &width);
  if (s.ok() && args.size() > 2) s = count_of(args[2], &decimals);
  if (!s.ok()) return s;
  if (width < 1 || width > kMaxStrWidth || decimals < 0 || decimals > kMaxStrWidth) {
    return Status::expression("STR width " + std::to_string(width) + " or decimals " +
                              std::to_string(decimals) + " out of range");
  }
  *out = Datum::character(str_text(args[0], static_cast<int>(width), static_cast<int>(decimals)));
  return Status();
}

Status substr(const std::vector<Datum>& args, Datum* out) {
  int64_t start = 0;
  Status s = count_of(args[1], &start);
  if (!s.ok()) return s;
  if (start < 1) {
    return Status::expression("SUBSTR start " + std::to_string(start) +
                              " before the first character");
  }
  const std::string& text = args[0].text;
  int64_t length = static_cast<int64_t>(text.size());
  if (args.size() > 2) s = width_of(args[2], &length);
  if (!s.ok()) return s;
  const size_t from = static_cast<size_t>(start - 1);
  *out = Datum::character(from >= text.size() ? std::string()
                                              : text.substr(from, static_cast<size_t>(length)));
  return Status();
}

Status left_or_right(const std::vector<Datum>& args, bool left, Datum* out) {
  int64_t n = 0;
  Status s = count_of(args[1], &n);
  if (!s.ok()) return s;
  const std::string& text = args[0].text;
  const size_t count = n <= 0 ? 0 : std::min(static_cast<size_t>(n), text.size());
  *out = Datum::character(left ? text.substr(0, count) : text.substr(text.size() - count));
  return Status();
}

bool is_empty(const Datum& d) {
  switch (d.type) {
    case Type::kCharacter:
      return d.text.find_first_not_of(" \t\r\n") == std::string::npos;
    case Type::kNumber:
      return d.number == 0;
    case Type::kDate:
      return d.date.empty();
    case Type::kDateTime:
      return d.day == 0 && d.milliseconds == 0;
    case Type::kLogical:
      return !d.logical;
  }
  return false;
}

Status date_number(Function f, const Datum& d, Datum* out) {
  const Date date = date_part(d);
  const int v = f == Function::kYear    ? date.year()
                : f == Function::kMonth ? date.month()
                                        : date.day();
  *out = Datum::number_of(v, std::to_string(v));
  return Status();
}

}  // namespace

const FunctionInfo* find_function(std::string_view name) {
  const std::string upper = ascii_upper(name);
  for (const FunctionInfo& f : kFunctions) {
    if (upper == f.name) return &f;
  }
  return nullptr;
}

Status function_type(const FunctionInfo& function, const std::vector<Type>& args, Type* result) {
  if (function.id == Function::kFieldget) {
    return Status::expression("FIELDGET needs the field table");
  }
  const char* letters = argument_letters(function.id);
  for (size_t i = 0; i < args.size(); ++i) {
    const char letter = letters[i] == '\0' ? '*' : letters[i];
    if (!fits(letter, args[i])) {
      return Status::expression(std::string(function.name) + "() argument " +
                                    std::to_string(i + 1) + " cannot be " + type_name(args[i]),
                                kGenDataType);
    }
  }
  if (function.id == Function::kIif) {
    if (args[1] != args[2]) {
      return Status::expression(std::string("IIF() branches of different types (") +
                                    type_name(args[1]) + ", " + type_name(args[2]) + ")",
                                kGenDataType);
    }
    *result = args[1];
    return Status();
  }
  *result = result_type(function.id);
  return Status();
}

Status call_function(Function f, const std::vector<Datum>& args, Datum* result) {
  for (const Datum& a : args) {
    if (!a.null) continue;
    if (f == Function::kEmpty) return Status::expression("EMPTY() of a NULL value");
    *result = Datum::null_of(result_type(f));
    return Status();
  }
  switch (f) {
    case Function::kStr:
      return str(args, result);
    case Function::kDtos:
      *result = Datum::character(date_part(args[0]).dtos());
      return Status();
    case Function::kPadl:
      return pad(args, true, result);
    case Function::kPadr:
      return pad(args, false, result);
    case Function::kAlltrim:
      *result = Datum::character(trim(args[0].text));
      return Status();
    case Function::kLtrim:
      *result = Datum::character(trim_left(args[0].text));
      return Status();
    case Function::kRtrim:
    case Function::kTrim:
      *result = Datum::character(trim_right(args[0].text));
      return Status();
    case Function::kUpper:
      return change_case(args[0].text, true, result);
    case Function::kLower:
      return change_case(args[0].text, false, result);
    case Function::kSubstr:
      return substr(args, result);
    case Function::kLeft:
      return left_or_right(args, true, result);
    case Function::kRight:
      return left_or_right(args, false, result);
    case Function::kVal:
      *result = val_of(args[0].text);
      return Status();
    case Function::kYear:
    case Function::kMonth:
    case Function::kDay:
      return date_number(f, args[0], result);
    case Function::kEmpty:
      *result = Datum::logical_of(is_empty(args[0]));
      return Status();
    default:
      return Status::expression("function not callable here");
  }
}

}  // namespace kx::tables::expr
