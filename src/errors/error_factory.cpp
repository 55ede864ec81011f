#include "errors/error_factory.h"

#include <cstring>
#include <new>

#include "runtime/errors/error_structure.h"
#include "runtime/process/dialogs.h"
#include "runtime/process/process_state.h"
#include "runtime/process/secrets.h"

namespace kx {
namespace {

struct RecordMakerSlot {
  ErrorRecordMaker maker;
};

ErrorRecordMaker& maker_slot() { return process_state().slot<RecordMakerSlot>().maker; }

std::shared_ptr<ERROR> make_record() {
  if (maker_slot()) return maker_slot()();
  try {
    return std::make_shared<ERROR>();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::string text_at(const uint8_t* s, size_t offset) {
  return mask_secrets(structure_text(load_le32(s + offset)));
}

Array masked_arguments(uint32_t ref) {
  Array args = structure_arguments(ref);
  for (Value& arg : args) {
    if (arg.is_string()) arg = Value::string(mask_secrets(arg.as_string()));
  }
  return args;
}

void fill(ERROR& r, const uint8_t* s) {
  r.SUBSYSTEM = text_at(s, kEsSubsystem);
  r.SUBCODE = load_le32(s + kEsSubcode);
  r.GENCODE = load_le32(s + kEsGencode);
  r.OSCODE = load_le32(s + kEsOscode);
  r.SEVERITY = load_le32(s + kEsSeverity);
  r.CANDEFAULT = load_le32(s + kEsCanDefault) != 0;
  r.CANRETRY = load_le32(s + kEsCanRetry) != 0;
  r.CANSUBSTITUTE = load_le32(s + kEsCanSubstitute) != 0;
  r.OPERATION = text_at(s, kEsOperation);
  r.DESCRIPTION = text_at(s, kEsDescription);
  r.FILENAME = text_at(s, kEsFilename);
  r.ARGS = masked_arguments(load_le32(s + kEsArgs));
  r.TRIES = load_le32(s + kEsTries);
  r.FUNCSYM = structure_symbol(load_le32(s + kEsFuncsym));
  r.FILEHANDLE = load_le32(s + kEsFilehandle);
  r.ARGNUM = load_le32(s + kEsArgnum);
  r.FUNCPTR = load_le32(s + kEsFuncptr);
  r.SUBCODETEXT = text_at(s, kEsSubcodetext);
  r.ARG = text_at(s, kEsArg);
  r.ARGTYPE = load_le32(s + kEsArgtype);
  r.ARGTYPEREQ = load_le32(s + kEsArgtypereq);
  r.MAXSIZE = load_le32(s + kEsMaxsize);
  r.SUBSTITUTETYPE = load_le32(s + kEsSubstitutetype);
  if (r.CHOICE == 0) r.CHOICE = load_le32(s + kEsChoice);
  r.CALLFUNCSYM = structure_symbol(load_le32(s + kEsCallfuncsym));
}

}  // namespace

void set_error_record_maker(ErrorRecordMaker maker) { maker_slot() = std::move(maker); }

Value DefErrorGen(const Value& structure) {
  std::shared_ptr<ERROR> record = make_record();
  if (!record) {
    show_message_box(kNoRecordText, kFactoryCaption);
    return Value::object(nullptr);
  }
  record->INIT(Value::integer(0));
  if (structure.kind() != Kind::kPointer) {
    show_message_box(kWrongTagText, kFactoryCaption);
    return Value::object(record);
  }
  ErrorStructureBytes& copy = static_error_structure();
  // The structure comes by address, as a pointer value.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  const auto* source = reinterpret_cast<const uint8_t*>(structure.as_pointer());
  if (source == nullptr) {
    copy.fill(0);
  } else if (source != copy.data()) {
    std::memcpy(copy.data(), source, kErrorStructureSize);
  }
  // Filled from the copy: the caller's structure may be the static one itself.
  fill(*record, copy.data());
  return Value::object(record);
}

Value make_record_from_details(const RuntimeError& details) {
  const ErrorStructure laid_out(details);
  return DefErrorGen(Value::pointer(laid_out.address()));
}

}  // namespace kx
