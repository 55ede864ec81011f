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
bool count_of(const Datum& d, int64_t* out, std::string* problem) {
  if (!std::isfinite(d.number) || std::fabs(d.number) > 1e9) {
    *problem = "number argument out of range";
    return false;
  }
  *out = static_cast<int64_t>(std::trunc(d.number));
  return true;
}

bool width_of(const Datum& d, int64_t* out, std::string* problem) {
  if (!count_of(d, out, problem)) return false;
  if (*out < 0 || *out > kMaxWidth) {
    *problem = "width " + std::to_string(*out) + " out of range";
    return false;
  }
  return true;
}

Date date_part(const Datum& d) { return d.type == Type::kDate ? d.date : Date::from_julian(d.day); }

bool change_case(const std::string& in, bool to_upper, Datum* out, std::string* problem) {
  for (char c : in) {
    if (static_cast<unsigned char>(c) > 127) {
      *problem = std::string(to_upper ? "UPPER" : "LOWER") +
                 " of a character above 127 (its case depends on the code page)";
      return false;
    }
  }
  *out = Datum::character(to_upper ? ascii_upper(in) : ascii_lower(in));
  return true;
}

bool pad(const std::vector<Datum>& args, bool on_left, Datum* out, std::string* problem) {
  int64_t width = 0;
  if (!width_of(args[1], &width, problem)) return false;
  char fill = ' ';
  if (args.size() > 2) {
    if (args[2].text.empty()) {
      *problem = "empty pad character";
      return false;
    }
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
  return true;
}

bool str(const std::vector<Datum>& args, Datum* out, std::string* problem) {
  int64_t width = 10, decimals = 0;
  if (args.size() > 1 && !count_of(args[1], &width, problem)) return false;
  if (args.size() > 2 && !count_of(args[2], &decimals, problem)) return false;
  if (width < 1 || width > kMaxStrWidth || decimals < 0 || decimals > kMaxStrWidth) {
    *problem = "STR width " + std::to_string(width) + " or decimals " + std::to_string(decimals) +
               " out of range";
    return false;
  }
  *out = Datum::character(str_text(args[0], static_cast<int>(width), static_cast<int>(decimals)));
  return true;
}

bool substr(const std::vector<Datum>& args, Datum* out, std::string* problem) {
  int64_t start = 0;
  if (!count_of(args[1], &start, problem)) return false;
  if (start < 1) {
    *problem = "SUBSTR start " + std::to_string(start) + " before the first character";
    return false;
  }
  const std::string& text = args[0].text;
  int64_t length = static_cast<int64_t>(text.size());
  if (args.size() > 2 && !width_of(args[2], &length, problem)) return false;
  const size_t from = static_cast<size_t>(start - 1);
  *out = Datum::character(from >= text.size() ? std::string()
                                              : text.substr(from, static_cast<size_t>(length)));
  return true;
}

bool left_or_right(const std::vector<Datum>& args, bool left, Datum* out, std::string* problem) {
  int64_t n = 0;
  if (!count_of(args[1], &n, problem)) return false;
  const std::string& text = args[0].text;
  const size_t count = n <= 0 ? 0 : std::min(static_cast<size_t>(n), text.size());
  *out = Datum::character(left ? text.substr(0, count) : text.substr(text.size() - count));
  return true;
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

bool date_number(Function f, const Datum& d, Datum* out) {
  const Date date = date_part(d);
  const int v = f == Function::kYear    ? date.year()
                : f == Function::kMonth ? date.month()
                                        : date.day();
  *out = Datum::number_of(v, std::to_string(v));
  return true;
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

bool call_function(Function f, const std::vector<Datum>& args, Datum* result,
                   std::string* problem) {
  for (const Datum& a : args) {
    if (!a.null) continue;
    if (f == Function::kEmpty) {
      *problem = "EMPTY() of a NULL value";
      return false;
    }
    *result = Datum::null_of(result_type(f));
    return true;
  }
  switch (f) {
    case Function::kStr:
      return str(args, result, problem);
    case Function::kDtos:
      *result = Datum::character(date_part(args[0]).dtos());
      return true;
    case Function::kPadl:
      return pad(args, true, result, problem);
    case Function::kPadr:
      return pad(args, false, result, problem);
    case Function::kAlltrim:
      *result = Datum::character(trim(args[0].text));
      return true;
    case Function::kLtrim:
      *result = Datum::character(trim_left(args[0].text));
      return true;
    case Function::kRtrim:
    case Function::kTrim:
      *result = Datum::character(trim_right(args[0].text));
      return true;
    case Function::kUpper:
      return change_case(args[0].text, true, result, problem);
    case Function::kLower:
      return change_case(args[0].text, false, result, problem);
    case Function::kSubstr:
      return substr(args, result, problem);
    case Function::kLeft:
      return left_or_right(args, true, result, problem);
    case Function::kRight:
      return left_or_right(args, false, result, problem);
    case Function::kVal:
      *result = val_of(args[0].text);
      return true;
    case Function::kYear:
    case Function::kMonth:
    case Function::kDay:
      return date_number(f, args[0], result);
    case Function::kEmpty:
      *result = Datum::logical_of(is_empty(args[0]));
      return true;
    default:
      *problem = "function not callable here";
      return false;
  }
}

}  // namespace kx::tables::expr
