// Interned names: functions, methods, fields, aliases and orders.
#ifndef KX_RUNTIME_VALUES_SYMBOL_H_
#define KX_RUNTIME_VALUES_SYMBOL_H_

#include <string>
#include <string_view>

namespace kx {

class Symbol {
 public:
  // The null symbol; its text is empty.
  Symbol() = default;
  // The one symbol of that name; equal names give equal symbols.
  static Symbol intern(std::string_view name);

  bool null() const { return name_ == nullptr; }
  const std::string& name() const;

  friend bool operator==(Symbol a, Symbol b) { return a.name_ == b.name_; }

 private:
  explicit Symbol(const std::string* name) : name_(name) {}
  const std::string* name_ = nullptr;
};

}  // namespace kx

#endif  // KX_RUNTIME_VALUES_SYMBOL_H_
