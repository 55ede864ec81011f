#include "runtime/process/activation.h"

#include <vector>

#include "runtime/process/process_state.h"

namespace kx {
namespace {

struct Entry {
  const char* name;
  const char* module;
  uint32_t line;
};

struct ActivationStack {
  std::vector<Entry> entries;
};

std::vector<Entry>& stack() { return process_state().slot<ActivationStack>().entries; }

const Entry* entry_at(size_t level) {
  const auto& s = stack();
  return level < s.size() ? &s[s.size() - 1 - level] : nullptr;
}

}  // namespace

Activation::Activation(const char* name, const char* module) : index_(stack().size()) {
  stack().push_back({name, module, 1});
}

// An orderly exit can end the process while activations are live; a pop
// therefore cuts back to this call's own depth.
Activation::~Activation() {
  if (stack().size() > index_) stack().resize(index_);
}

void Activation::at(uint32_t statement) {
  if (index_ < stack().size()) stack()[index_].line = statement;
}

size_t activation_depth() { return stack().size(); }

std::string activation_name(size_t level) {
  const Entry* e = entry_at(level);
  return e ? e->name : "";
}

std::string activation_module(size_t level) {
  const Entry* e = entry_at(level);
  return e ? e->module : "";
}

uint32_t activation_line(size_t level) {
  const Entry* e = entry_at(level);
  return e ? e->line : 0;
}

}  // namespace kx
