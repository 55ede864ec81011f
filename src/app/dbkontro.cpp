#include "app/dbkontro.h"

#include "app/numeric_errors.h"
#include "app/table_names.h"
#include "json/escape.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/activation.h"
#include "runtime/process/process_state.h"
#include "runtime/text/text.h"
#include "table_functions/table_functions.h"

namespace kx {
namespace {

using table_names::kControl;

Value read(const char* field, Kind kind, uint32_t type) {
  Value v = field_get(kControl, field);
  return expect_kind(v, kind, type, "ASSIGNDBKONTRO", field) ? v : Value();
}

uint32_t read_dword(const char* field) { return to_dword(read(field, Kind::kInteger, kTypeDword)); }

std::string read_text(const char* field) {
  const Value v = read(field, Kind::kString, kTypeString);
  return _OUTPUTJSONSTRING(trim_right(v.is_string() ? v.as_string() : std::string()));
}

Date read_date(const char* field) {
  const Value v = read(field, Kind::kDate, kTypeDate);
  return v.kind() == Kind::kDate ? v.as_date() : Date();
}

}  // namespace

namespace {

struct ControlObjectSlot {
  std::shared_ptr<DBKONTRO> object;
};

}  // namespace

std::shared_ptr<DBKONTRO>& control_object() {
  return process_state().slot<ControlObjectSlot>().object;
}

bool ASSIGNDBKONTRO(const std::string& folder) {
  Activation activation("ASSIGNDBKONTRO", kModuleStart);
  DBKONTRO* control = control_object().get();
  if (control == nullptr) {
    RuntimeError error;
    error.subsystem = "BASE";
    error.gencode = kGenNoVarMethod;
    error.description = "the control object does not exist";
    error.funcsym = Symbol::intern("ASSIGNDBKONTRO");
    raise_runtime_error(error);
    return true;
  }
  control->CFOLDER = folder;
  activation.at(2);
  control->DWDATAID = read_dword("DATAID");
  activation.at(3);
  control->DWVERSI = read_dword("VERSI");
  activation.at(4);
  control->CATASNAMA = read_text("NAMA");
  activation.at(5);
  control->CALAMAT = read_text("ALAMAT");
  activation.at(6);
  control->CNPWP = read_text("NPWP");
  activation.at(7);
  control->DAKTIF = read_date("AKTIF");
  activation.at(8);
  control->DHAPUSDATA = read_date("HAPUS_DATA");
  activation.at(9);
  return true;
}

}  // namespace kx
