#include "runtime/values/references.h"

#include <map>

#include "runtime/process/process_state.h"

namespace kx {
namespace {

struct Entry {
  RefBlock block;
  RefKind kind;
};

struct ReferenceTable {
  std::map<uint32_t, Entry> entries;
  uint32_t last_handle = 0;
};

ReferenceTable& references() { return process_state().slot<ReferenceTable>(); }
std::map<uint32_t, Entry>& table() { return references().entries; }

constexpr bool kAddressesFit = sizeof(void*) <= sizeof(uint32_t);

uint32_t next_handle() {
  uint32_t& counter = references().last_handle;
  do {
    ++counter;
  } while (counter == 0 || table().count(counter) != 0);
  return counter;
}

}  // namespace

uint32_t make_reference(const void* data, size_t size, RefKind kind) {
  uint32_t ref;
  if constexpr (kAddressesFit) {
    ref = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data));
  } else {
    ref = next_handle();
  }
  table()[ref] = Entry{RefBlock{data, size}, kind};
  return ref;
}

void release_reference(uint32_t ref) { table().erase(ref); }

std::optional<RefBlock> resolve_reference(uint32_t ref, RefKind kind) {
  if (ref == 0) return std::nullopt;
  const auto it = table().find(ref);
  if (it == table().end() || it->second.kind != kind) return std::nullopt;
  return it->second.block;
}

size_t live_references() { return table().size(); }

}  // namespace kx
