// 32-bit references to blocks of memory, as the runtime error structure holds
// them in its address fields.
//
// The structure's layout is fixed: every field is 32 bits wide, address
// fields included. On the 32-bit Windows build a reference is the block's
// real address. On 64-bit builds an address does not fit, so a reference is
// a handle: a number from a counter (never 0, not reused while the counter
// lasts) that this table maps to the block. On both builds the owner of a
// block registers it here for as long as the block lives, and a reader
// resolves a reference through the table; a reference that is 0, unknown,
// released or of another kind resolves to nothing, never to stray memory.
#ifndef KX_RUNTIME_VALUES_REFERENCES_H_
#define KX_RUNTIME_VALUES_REFERENCES_H_

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kx {

// What a referenced block holds; a reader names the kind it expects.
enum class RefKind { kText, kArgumentBlock, kValue };

struct RefBlock {
  const void* data = nullptr;
  size_t size = 0;
};

// Registers the size bytes at data as a block of kind and returns its
// reference (never 0). The caller keeps the block alive and unchanged until
// it calls release_reference.
uint32_t make_reference(const void* data, size_t size, RefKind kind);

// Forgets a reference; nothing for 0 or an unknown reference.
void release_reference(uint32_t ref);

// The block behind ref, when ref is registered with kind.
std::optional<RefBlock> resolve_reference(uint32_t ref, RefKind kind);

// Number of live references (tests check that owners release theirs).
size_t live_references();

}  // namespace kx

#endif  // KX_RUNTIME_VALUES_REFERENCES_H_
