// The values that index key and FOR expressions compute with.
#ifndef KX_TABLES_EXPR_DATUM_H_
#define KX_TABLES_EXPR_DATUM_H_

#include <cstdint>
#include <string>

#include "runtime/values/date.h"

namespace kx::tables::expr {

// The type of an expression's result, known before any record is read.
enum class Type { kCharacter, kNumber, kDate, kDateTime, kLogical };

// "character", "number", ... for messages.
const char* type_name(Type type);

// One value of a known type; null marks a NULL field value (and whatever was
// computed from it), whose other members are then meaningless.
struct Datum {
  Type type = Type::kCharacter;
  bool null = false;
  std::string text;           // character
  double number = 0;          // number
  std::string decimal;        // the number's exact decimal text when known, else ""
  Date date;                  // date
  int64_t day = 0;            // datetime: Julian day number, 0 for the empty datetime
  uint32_t milliseconds = 0;  // datetime: time of day
  bool logical = false;       // logical

  static Datum character(std::string text);
  static Datum number_of(double value, std::string decimal = "");
  static Datum date_of(const Date& date);
  static Datum datetime(int64_t day, uint32_t milliseconds);
  static Datum logical_of(bool value);
  static Datum null_of(Type type);
};

}  // namespace kx::tables::expr

#endif  // KX_TABLES_EXPR_DATUM_H_
