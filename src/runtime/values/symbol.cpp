#include "runtime/values/symbol.h"

#include <set>

namespace kx {

Symbol Symbol::intern(std::string_view name) {
  // Node-based, so the addresses of the stored names never move.
  static std::set<std::string, std::less<>> table;
  auto it = table.find(name);
  if (it == table.end()) it = table.emplace(name).first;
  return Symbol(&*it);
}

const std::string& Symbol::name() const {
  static const std::string kEmpty;
  return name_ ? *name_ : kEmpty;
}

}  // namespace kx
