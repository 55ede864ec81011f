// The numbered work areas of the process: which tables are open under which
// alias and which area is current.
#ifndef KX_TABLES_WORK_AREAS_H_
#define KX_TABLES_WORK_AREAS_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file.h"
#include "runtime/process/work_area_query.h"
#include "tables/status.h"
#include "tables/work_area.h"

namespace kx::tables {

class WorkAreas {
 public:
  WorkAreas() = default;
  WorkAreas(const WorkAreas&) = delete;
  WorkAreas& operator=(const WorkAreas&) = delete;

  // Opens the table at path under alias (empty: the file's base name), in
  // the lowest-numbered free area when new_area is true, else in the current
  // area (closing the table open there). The new area becomes current. Fails
  // when the alias is already in use by another area (kGenDupAlias) or the
  // table, memo or index cannot be opened (kGenOpen, kGenRead,
  // kGenCorruption); the current area is then unchanged, except that with
  // new_area false its old table is closed.
  Status use(bool new_area, const std::string& path, const std::string& alias,
             const platform::OpenOptions& options);

  // Makes the area with that alias (letter case ignored) current;
  // kGenNoAlias when no open area has it.
  Status select(std::string_view alias);
  // Makes area number current (1-based; 0 selects the lowest free area).
  void select(uint32_t number);
  uint32_t current_number() const { return current_; }
  // Number of the area with alias, 0 when none.
  uint32_t area_of(std::string_view alias) const;

  // The current area's table, nullptr when no table is open there.
  WorkArea* current();
  // The area with alias, nullptr when none.
  WorkArea* find(std::string_view alias);

  // Alias of the current area; empty when no table is open there.
  std::string alias() const;

  // Closes the current area's table / every table. The current area number
  // stays as it is.
  void close_current();
  void close_all();

  // What the error page shows: the current area's alias, record number and
  // record count (the count re-read from the file).
  CurrentArea summary();

 private:
  // An alias as it was last asked for and the area it named. The program
  // names its areas by a few constant aliases on every field read; the hints
  // are forgotten whenever a table is opened or closed.
  struct AliasHint {
    std::string alias;
    uint32_t number = 0;
  };
  static constexpr size_t kAliasHints = 4;

  uint32_t lowest_free() const;
  void forget_hints();

  std::map<uint32_t, std::unique_ptr<WorkArea>> areas_;
  mutable AliasHint hints_[kAliasHints];
  mutable size_t next_hint_ = 0;
  uint32_t current_ = 1;
};

// The process's work areas, kept in the process state (runtime/process/process_state.h).
WorkAreas& work_areas();

}  // namespace kx::tables

#endif  // KX_TABLES_WORK_AREAS_H_
