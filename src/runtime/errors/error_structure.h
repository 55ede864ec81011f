// The runtime error structure: 100 bytes that describe a failure, handed to
// the error-record factory by address. Every field is a 32-bit little-endian
// number. Text fields, the argument block and symbol fields hold 32-bit
// references (runtime/values/references.h): a null reference reads as the empty
// text, no arguments or the null symbol. A symbol is referenced through the
// text of its name.
//
// Argument block: two unsigned 16-bit counts at offsets 0 and 2 (the number
// of arguments is the larger), then from offset 4 one 8-byte tagged value
// per argument: the type code (32 bits), then the payload (32 bits). The
// payload of an integer (type 1) is its value, of a logic (8) 0 or 1, of nil
// (0) zero; every other kind is held whole in a value that the payload
// references.
#ifndef KX_RUNTIME_ERRORS_ERROR_STRUCTURE_H_
#define KX_RUNTIME_ERRORS_ERROR_STRUCTURE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/errors/runtime_error.h"
#include "runtime/values/value.h"

namespace kx {

constexpr size_t kErrorStructureSize = 100;

// Field offsets.
constexpr size_t kEsSubsystem = 0;
constexpr size_t kEsSubcode = 4;
constexpr size_t kEsGencode = 8;
constexpr size_t kEsOscode = 12;
constexpr size_t kEsSeverity = 16;
constexpr size_t kEsCanDefault = 20;
constexpr size_t kEsCanRetry = 24;
constexpr size_t kEsCanSubstitute = 28;
constexpr size_t kEsOperation = 32;
constexpr size_t kEsDescription = 36;
constexpr size_t kEsFilename = 40;
constexpr size_t kEsArgs = 44;
constexpr size_t kEsTries = 48;
constexpr size_t kEsFuncsym = 52;
constexpr size_t kEsFilehandle = 56;
constexpr size_t kEsArgnum = 60;
constexpr size_t kEsFuncptr = 64;
constexpr size_t kEsSubcodetext = 68;
constexpr size_t kEsArg = 72;
constexpr size_t kEsArgtype = 76;
constexpr size_t kEsArgtypereq = 80;
constexpr size_t kEsMaxsize = 84;
constexpr size_t kEsSubstitutetype = 88;
constexpr size_t kEsChoice = 92;
constexpr size_t kEsCallfuncsym = 96;

constexpr size_t kArgumentBlockHeader = 4;
constexpr size_t kTaggedValueSize = 8;

using ErrorStructureBytes = std::array<uint8_t, kErrorStructureSize>;

uint32_t load_le32(const uint8_t* p);
void store_le32(uint8_t* p, uint32_t v);

// A structure laid out from a RuntimeError, owning the texts, the argument
// block and the values that its references point to; the references live as
// long as the object. The function address keeps its low 32 bits; at most
// 65535 arguments are laid out.
class ErrorStructure {
 public:
  explicit ErrorStructure(const RuntimeError& details);
  ~ErrorStructure();
  ErrorStructure(const ErrorStructure&) = delete;
  ErrorStructure& operator=(const ErrorStructure&) = delete;

  const ErrorStructureBytes& bytes() const { return bytes_; }
  // The address to hand to the factory (Value::pointer).
  uintptr_t address() const { return reinterpret_cast<uintptr_t>(bytes_.data()); }

 private:
  void put(size_t offset, uint32_t v) { store_le32(bytes_.data() + offset, v); }
  uint32_t text_ref(const std::string& text);
  uint32_t args_ref(const std::vector<Value>& args);

  ErrorStructureBytes bytes_{};
  std::vector<std::unique_ptr<std::string>> texts_;
  std::vector<std::unique_ptr<Value>> values_;
  std::vector<uint8_t> block_;
  std::vector<uint32_t> refs_;
};

// Readers of a structure's referenced parts; nothing (empty text, no
// arguments, null symbol) for a null or unresolvable reference. A text ends
// at its first zero byte or at the end of its block. An argument block that
// is shorter than its counts say yields the arguments that fit; an argument
// whose value cannot be resolved reads as nil.
std::string structure_text(uint32_t ref);
Symbol structure_symbol(uint32_t ref);
Array structure_arguments(uint32_t ref);

// The process-wide static error structure, all zero at start.
ErrorStructureBytes& static_error_structure();
void clear_static_error_structure();

}  // namespace kx

#endif  // KX_RUNTIME_ERRORS_ERROR_STRUCTURE_H_
