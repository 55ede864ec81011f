#include "table_functions/table_functions.h"

#include "errors/call_stack.h"
#include "errors/error_record.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/process_state.h"
#include "runtime/process/work_area_query.h"
#include "runtime/text/text.h"
#include "tables/work_areas.h"

namespace kx {
namespace {

using tables::work_areas;
using tables::WorkArea;

struct SoftSeekSetting {
  bool on = false;
};

bool& soft_seek_slot() { return process_state().slot<SoftSeekSetting>().on; }

WorkArea* current() { return work_areas().current(); }

// The error details of a failure of the driver, as the runtime's error
// structure carries them.
RuntimeError driver_error(const tables::Status& status) {
  RuntimeError error;
  error.subsystem = "DBFCDX";
  error.gencode = status.gencode();
  error.subcode = status.subcode();
  error.oscode = status.oscode();
  error.severity = 2;
  error.operation = status.operation();
  error.description = status.description();
  error.filename = status.filename();
  error.can_default = true;
  error.can_retry = status.gencode() == kGenOpen;
  return error;
}

// A runtime error of the table functions themselves (no table, no field).
Value raise_table_error(uint32_t gencode, const std::string& description, const std::string& arg) {
  RuntimeError error;
  error.subsystem = "DBFCDX";
  error.gencode = gencode;
  error.severity = 2;
  error.description = description;
  error.arg = arg;
  error.argnum = arg.empty() ? 0 : 1;
  error.argtype = arg.empty() ? 0 : kTypeString;
  return raise_runtime_error(error);
}

}  // namespace

bool DBUSEAREA(bool new_area, const std::string& /*driver*/, const std::string& file,
               const std::string& alias, bool shared, bool read_only) {
  const platform::OpenOptions options{read_only, shared};
  for (uint32_t tries = 1;; ++tries) {
    const tables::Status status = work_areas().use(new_area, file, alias, options);
    if (status.ok()) return true;
    const Value answer = DOERROR(status, Symbol::intern("DBUSEAREA"), tries);
    if (!(answer.kind() == Kind::kLogic && answer.as_logic())) return false;
  }
}

bool DBSETORDER(const Value& order, const std::string& index_file) {
  WorkArea* area = current();
  if (area == nullptr) return false;
  if (order.is_number()) {
    const double n = order.to_double();
    return n >= 0 && n <= 4294967295.0 &&
           area->set_order(static_cast<uint32_t>(n), index_file).ok();
  }
  if (order.is_string()) return area->set_order(trim(order.as_string()), index_file).ok();
  return false;
}

Value DBFIELDINFO(uint32_t kind, uint32_t position, const Value& value) {
  WorkArea* area = current();
  Value info = value;
  if (area == nullptr)
    return raise_table_error(kGenNoTable, "no table is open in the work area", "");
  const tables::Status status = area->field_info(kind, position, &info);
  if (!status.ok()) return DOERROR(status, Symbol::intern("DBFIELDINFO"));
  return info;
}

bool DBSEEK(const Value& key, std::optional<bool> soft, std::optional<bool> last) {
  WorkArea* area = current();
  if (area == nullptr) {
    raise_table_error(kGenNoTable, "no table is open in the work area", "");
    return false;
  }
  tables::ScopeRecord scope;
  if (last) scope.last = *last;
  // An all-zero scope record always passes.
  (void)area->set_scope(scope);
  const tables::Status status = area->seek(key, soft.value_or(soft_seek_setting()), scope.last);
  if (!status.ok()) {
    const Value answer = DOERROR(status, Symbol::intern("DBSEEK"));
    return answer.kind() == Kind::kLogic && answer.as_logic();
  }
  const bool found = area->found();
  (void)area->set_scope(tables::ScopeRecord());
  return found;
}

bool DBSETFOUND(bool found) {
  WorkArea* area = current();
  if (area == nullptr) return false;
  area->set_found(found);
  return true;
}

Value DOERROR(const tables::Status& status, Symbol function, std::optional<uint32_t> tries) {
  RuntimeError details = driver_error(status);
  details.funcsym = function;
  if (tries) details.tries = *tries;
  const Value record = make_error_record(details);
  if (ERROR* error = as_error(record)) error->STACK = CALLSTACKTEXT(1);
  return raise_error(record);
}

Value FIELDGET(uint32_t position) {
  WorkArea* area = current();
  if (area == nullptr)
    return raise_table_error(kGenNoTable, "no table is open in the work area", "");
  Value value;
  const tables::Status status = area->field_get(position, &value);
  if (!status.ok()) return DOERROR(status, Symbol::intern("FIELDGET"));
  return value;
}

uint32_t ASCANEXACT(const Value& list, const std::string& value) {
  if (list.kind() != Kind::kArray) return 0;
  const Array& items = list.as_array();
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].is_string() && items[i].as_string() == value) return static_cast<uint32_t>(i + 1);
  }
  return 0;
}

void register_table_support() {
  set_current_area_query([] { return work_areas().summary(); });
  set_close_all_hook([] { work_areas().close_all(); });
}

bool soft_seek_setting() { return soft_seek_slot(); }
void set_soft_seek_setting(bool on) { soft_seek_slot() = on; }

namespace {

void raise_if_failed(const tables::Status& status, const char* function) {
  if (!status.ok()) DOERROR(status, Symbol::intern(function));
}

}  // namespace

void db_go_top() {
  if (WorkArea* area = current()) raise_if_failed(area->go_top(), "DBGOTOP");
}

void db_go_bottom() {
  if (WorkArea* area = current()) raise_if_failed(area->go_bottom(), "DBGOBOTTOM");
}

void db_skip(int32_t count) {
  if (WorkArea* area = current()) raise_if_failed(area->skip(count), "DBSKIP");
}

bool db_eof() {
  WorkArea* area = current();
  return area == nullptr || area->eof();
}

std::string db_alias() { return work_areas().alias(); }

uint32_t db_field_pos(const std::string& name) {
  WorkArea* area = current();
  return area ? area->field_pos(name) : 0;
}

uint32_t db_field_count() {
  WorkArea* area = current();
  return area ? area->field_count() : 0;
}

std::string db_field_name(uint32_t position) {
  WorkArea* area = current();
  return area ? area->field_name(position) : std::string();
}

void db_close_area() { work_areas().close_current(); }
void db_close_all() { work_areas().close_all(); }

AliasedStep::AliasedStep(const std::string& alias) : previous_(work_areas().current_number()) {
  if (!work_areas().select(alias).ok()) {
    raise_table_error(kGenNoAlias, "alias does not exist", alias);
  }
}

AliasedStep::~AliasedStep() { work_areas().select(previous_); }

Value field_get(const std::string& alias, const std::string& field) {
  WorkArea* area = work_areas().find(alias);
  if (area == nullptr) return raise_table_error(kGenNoAlias, "alias does not exist", alias);
  Value value;
  const uint32_t position = area->field_pos(field);
  if (position == 0) {
    return raise_table_error(kGenNoField, "field does not exist", alias + "->" + field);
  }
  const tables::Status status = area->field_get(position, &value);
  if (!status.ok()) return DOERROR(status, Symbol::intern(field));
  return value;
}

}  // namespace kx
