// The tagged value: every value carries its kind.
#ifndef KX_RUNTIME_VALUES_VALUE_H_
#define KX_RUNTIME_VALUES_VALUE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "runtime/values/date.h"
#include "runtime/values/symbol.h"

namespace kx {

enum class Kind {
  kNil,
  kInteger,
  kFloat,
  kLogic,
  kDate,
  kString,
  kArray,
  kObject,
  kSymbol,
  kPointer
};

// Type codes as error records and the default handler name them.
constexpr uint32_t kTypeNil = 0;
constexpr uint32_t kTypeLong = 1;
constexpr uint32_t kTypeDate = 2;
constexpr uint32_t kTypeFloat = 3;
constexpr uint32_t kTypeArray = 5;
constexpr uint32_t kTypeObject = 6;
constexpr uint32_t kTypeString = 7;
constexpr uint32_t kTypeLogic = 8;
constexpr uint32_t kTypeCodeblock = 9;
constexpr uint32_t kTypeSymbol = 10;
constexpr uint32_t kTypeWord = 13;
constexpr uint32_t kTypeDword = 14;
constexpr uint32_t kTypePointer = 18;
constexpr uint32_t kTypeUsual = 19;

// Instances of the program's classes (JSON, ERROR, ...) held by a value.
class Object {
 public:
  virtual ~Object() = default;
  virtual std::string class_name() const = 0;
};

// A floating value. decimal holds the exact decimal text that a table stored
// ("1.005"), or is empty when the value has no such text.
struct Float {
  double value = 0;
  std::string decimal;
};

class Value;
using Array = std::vector<Value>;

class Value {
 public:
  Value() = default;
  static Value integer(int32_t v) { return Value(Storage(std::in_place_index<1>, v)); }
  static Value floating(double v, std::string decimal = "") {
    return Value(Storage(std::in_place_index<2>, Float{v, std::move(decimal)}));
  }
  static Value logic(bool v) { return Value(Storage(std::in_place_index<3>, v)); }
  static Value date(Date v) { return Value(Storage(std::in_place_index<4>, v)); }
  static Value string(std::string v) {
    return Value(Storage(std::in_place_index<5>, std::move(v)));
  }
  static Value array(Array v) {
    return Value(Storage(std::in_place_index<6>, std::make_shared<Array>(std::move(v))));
  }
  static Value object(std::shared_ptr<Object> v) {
    return Value(Storage(std::in_place_index<7>, std::move(v)));
  }
  static Value symbol(Symbol v) { return Value(Storage(std::in_place_index<8>, v)); }
  static Value pointer(uintptr_t v) { return Value(Storage(std::in_place_index<9>, v)); }
  // An unsigned number: an integer when it fits in 32 signed bits, else a float.
  static Value number(int64_t v);

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool is_nil() const { return kind() == Kind::kNil; }
  bool is_number() const { return kind() == Kind::kInteger || kind() == Kind::kFloat; }
  bool is_string() const { return kind() == Kind::kString; }

  // Accessors; each requires the matching kind.
  int32_t as_integer() const { return std::get<1>(v_); }
  const Float& as_float() const { return std::get<2>(v_); }
  bool as_logic() const { return std::get<3>(v_); }
  const Date& as_date() const { return std::get<4>(v_); }
  const std::string& as_string() const { return std::get<5>(v_); }
  const Array& as_array() const { return *std::get<6>(v_); }
  const std::shared_ptr<Object>& as_object() const { return std::get<7>(v_); }
  Symbol as_symbol() const { return std::get<8>(v_); }
  uintptr_t as_pointer() const { return std::get<9>(v_); }

  // Any number as a double (0 for other kinds).
  double to_double() const;
  // The type code of the value's kind.
  uint32_t type_code() const;

 private:
  using Storage = std::variant<std::monostate, int32_t, Float, bool, Date, std::string,
                               std::shared_ptr<Array>, std::shared_ptr<Object>, Symbol, uintptr_t>;
  explicit Value(Storage v) : v_(std::move(v)) {}
  Storage v_;
};

}  // namespace kx

#endif  // KX_RUNTIME_VALUES_VALUE_H_
