#include "tables/expr/datum.h"

namespace kx::tables::expr {

const char* type_name(Type type) {
  switch (type) {
    case Type::kCharacter:
      return "character";
    case Type::kNumber:
      return "number";
    case Type::kDate:
      return "date";
    case Type::kDateTime:
      return "datetime";
    case Type::kLogical:
      return "logical";
  }
  return "?";
}

Datum Datum::character(std::string text) {
  Datum d;
  d.type = Type::kCharacter;
  d.text = std::move(text);
  return d;
}

Datum Datum::number_of(double value, std::string decimal) {
  Datum d;
  d.type = Type::kNumber;
  d.number = value;
  d.decimal = std::move(decimal);
  return d;
}

Datum Datum::date_of(const Date& date) {
  Datum d;
  d.type = Type::kDate;
  d.date = date;
  return d;
}

Datum Datum::datetime(int64_t day, uint32_t milliseconds) {
  Datum d;
  d.type = Type::kDateTime;
  d.day = day;
  d.milliseconds = milliseconds;
  return d;
}

Datum Datum::logical_of(bool value) {
  Datum d;
  d.type = Type::kLogical;
  d.logical = value;
  return d;
}

Datum Datum::null_of(Type type) {
  Datum d;
  d.type = type;
  d.null = true;
  return d;
}

}  // namespace kx::tables::expr
