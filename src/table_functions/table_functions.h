// The table functions the program calls: opens, orders, seeks and field
// reads on the current work area. Driver failures become runtime errors
// through DOERROR, which hands them to the installed handler.
#ifndef KX_TABLE_FUNCTIONS_TABLE_FUNCTIONS_H_
#define KX_TABLE_FUNCTIONS_TABLE_FUNCTIONS_H_

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/values/symbol.h"
#include "runtime/values/value.h"
#include "tables/status.h"

namespace kx {

// Field-information codes.
constexpr uint32_t kDbsName = 1;
constexpr uint32_t kDbsType = 2;
constexpr uint32_t kDbsLen = 3;
constexpr uint32_t kDbsDec = 4;

// Opens file under alias, retrying while the error handler asks for it.
bool DBUSEAREA(bool new_area, const std::string& driver, const std::string& file,
               const std::string& alias, bool shared, bool read_only);
// Sets the order of the current work area: a tag name (blanks trimmed,
// letter case ignored) or a 1-based tag number, 0 for record order. False
// when there is no current work area or the area cannot take that order.
bool DBSETORDER(const Value& order, const std::string& index_file = "");
Value DBFIELDINFO(uint32_t kind, uint32_t position, const Value& value = Value());
// Seeks key; soft defaults to the global soft-seek setting.
bool DBSEEK(const Value& key = Value::string(""), std::optional<bool> soft = std::nullopt,
            std::optional<bool> last = std::nullopt);
bool DBSETFOUND(bool found);
// Hands an error record made from the driver's failure to the handler.
Value DOERROR(const tables::Status& status, Symbol function,
              std::optional<uint32_t> tries = std::nullopt);
// The value of field position of the current record (1 when not given).
Value FIELDGET(uint32_t position = 1);
// 1-based position of the first element exactly equal to value, else 0.
uint32_t ASCANEXACT(const Value& list, const std::string& value);

// Registers what error output asks of the work areas (the current alias,
// record number and count) and the close-all procedure. Once, at start.
void register_table_support();

// The global soft-seek setting.
bool soft_seek_setting();
void set_soft_seek_setting(bool on);

// Movement and state of the current work area.
void db_go_top();
void db_go_bottom();
void db_skip(int32_t count = 1);
bool db_eof();
std::string db_alias();
uint32_t db_field_pos(const std::string& name);
uint32_t db_field_count();
// The name of field position as the driver reports it; empty when none.
std::string db_field_name(uint32_t position);
// Closes the current work area, or every work area.
void db_close_area();
void db_close_all();

// Makes the work area alias current for one step and then restores the area
// that was current. An alias that names no open work area raises a runtime
// error; when the handler returns, the step runs in the current area.
class AliasedStep {
 public:
  explicit AliasedStep(const std::string& alias);
  ~AliasedStep();
  AliasedStep(const AliasedStep&) = delete;
  AliasedStep& operator=(const AliasedStep&) = delete;

 private:
  uint32_t previous_;
};

template <class Step>
auto aliased(const std::string& alias, Step&& step) {
  AliasedStep scope(alias);
  return step();
}

// alias->field: the field of the current record of work area alias. A
// missing alias or field raises a runtime error (nil when the handler returns).
Value field_get(const std::string& alias, const std::string& field);

}  // namespace kx

#endif  // KX_TABLE_FUNCTIONS_TABLE_FUNCTIONS_H_
