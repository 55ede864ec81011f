#include "runtime/errors/error_structure.h"

#include <algorithm>
#include <cstring>

#include "runtime/process/process_state.h"
#include "runtime/values/references.h"

namespace kx {

uint32_t load_le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void store_le32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

ErrorStructure::ErrorStructure(const RuntimeError& d) {
  put(kEsSubsystem, text_ref(d.subsystem));
  put(kEsSubcode, d.subcode);
  put(kEsGencode, d.gencode);
  put(kEsOscode, d.oscode);
  put(kEsSeverity, d.severity);
  put(kEsCanDefault, d.can_default ? 1 : 0);
  put(kEsCanRetry, d.can_retry ? 1 : 0);
  put(kEsCanSubstitute, d.can_substitute ? 1 : 0);
  put(kEsOperation, text_ref(d.operation));
  put(kEsDescription, text_ref(d.description));
  put(kEsFilename, text_ref(d.filename));
  put(kEsArgs, args_ref(d.args));
  put(kEsTries, d.tries);
  put(kEsFuncsym, text_ref(d.funcsym.name()));
  put(kEsFilehandle, d.filehandle);
  put(kEsArgnum, d.argnum);
  put(kEsFuncptr, static_cast<uint32_t>(d.funcptr));
  put(kEsSubcodetext, text_ref(d.subcodetext));
  put(kEsArg, text_ref(d.arg));
  put(kEsArgtype, d.argtype);
  put(kEsArgtypereq, d.argtypereq);
  put(kEsMaxsize, d.maxsize);
  put(kEsSubstitutetype, d.substitutetype);
  put(kEsChoice, d.choice);
  put(kEsCallfuncsym, text_ref(d.callfuncsym.name()));
}

ErrorStructure::~ErrorStructure() {
  for (uint32_t ref : refs_) release_reference(ref);
}

uint32_t ErrorStructure::text_ref(const std::string& text) {
  if (text.empty()) return 0;
  texts_.push_back(std::make_unique<std::string>(text));
  const std::string& owned = *texts_.back();
  refs_.push_back(make_reference(owned.c_str(), owned.size() + 1, RefKind::kText));
  return refs_.back();
}

uint32_t ErrorStructure::args_ref(const std::vector<Value>& args) {
  if (args.empty()) return 0;
  const size_t count = std::min<size_t>(args.size(), 0xFFFF);
  block_.assign(kArgumentBlockHeader + count * kTaggedValueSize, 0);
  block_[0] = block_[2] = static_cast<uint8_t>(count);
  block_[1] = block_[3] = static_cast<uint8_t>(count >> 8);
  for (size_t i = 0; i < count; ++i) {
    const Value& v = args[i];
    uint32_t payload = 0;
    if (v.kind() == Kind::kInteger) {
      payload = static_cast<uint32_t>(v.as_integer());
    } else if (v.kind() == Kind::kLogic) {
      payload = v.as_logic() ? 1 : 0;
    } else if (!v.is_nil()) {
      values_.push_back(std::make_unique<Value>(v));
      refs_.push_back(make_reference(values_.back().get(), sizeof(Value), RefKind::kValue));
      payload = refs_.back();
    }
    uint8_t* slot = block_.data() + kArgumentBlockHeader + i * kTaggedValueSize;
    store_le32(slot, v.type_code());
    store_le32(slot + 4, payload);
  }
  refs_.push_back(make_reference(block_.data(), block_.size(), RefKind::kArgumentBlock));
  return refs_.back();
}

std::string structure_text(uint32_t ref) {
  const auto block = resolve_reference(ref, RefKind::kText);
  if (!block) return "";
  const char* text = static_cast<const char*>(block->data);
  const void* end = std::memchr(text, 0, block->size);
  const size_t length =
      end ? static_cast<size_t>(static_cast<const char*>(end) - text) : block->size;
  return std::string(text, length);
}

Symbol structure_symbol(uint32_t ref) {
  const std::string name = structure_text(ref);
  return name.empty() ? Symbol() : Symbol::intern(name);
}

Array structure_arguments(uint32_t ref) {
  const auto block = resolve_reference(ref, RefKind::kArgumentBlock);
  if (!block || block->size < kArgumentBlockHeader) return {};
  const auto* p = static_cast<const uint8_t*>(block->data);
  const uint64_t count = std::max<uint32_t>(p[0] | p[1] << 8, p[2] | p[3] << 8);
  const uint64_t room = (block->size - kArgumentBlockHeader) / kTaggedValueSize;
  Array args;
  for (uint64_t i = 0; i < std::min(count, room); ++i) {
    const uint8_t* slot = p + kArgumentBlockHeader + i * kTaggedValueSize;
    const uint32_t type = load_le32(slot);
    const uint32_t payload = load_le32(slot + 4);
    if (type == kTypeLong) {
      args.push_back(Value::integer(static_cast<int32_t>(payload)));
    } else if (type == kTypeLogic) {
      args.push_back(Value::logic(payload != 0));
    } else {
      const auto boxed = resolve_reference(payload, RefKind::kValue);
      args.push_back(boxed ? *static_cast<const Value*>(boxed->data) : Value());
    }
  }
  return args;
}

namespace {

struct StaticErrorStructure {
  ErrorStructureBytes bytes{};
};

}  // namespace

ErrorStructureBytes& static_error_structure() {
  return process_state().slot<StaticErrorStructure>().bytes;
}

void clear_static_error_structure() { static_error_structure().fill(0); }

}  // namespace kx
