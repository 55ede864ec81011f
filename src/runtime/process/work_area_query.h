// What error output needs to know of the work areas, without depending on
// the table layer: the table layer registers the answers at start.
#ifndef KX_RUNTIME_PROCESS_WORK_AREA_QUERY_H_
#define KX_RUNTIME_PROCESS_WORK_AREA_QUERY_H_

#include <cstdint>
#include <functional>
#include <string>

namespace kx {

// The current work area: whether a table is open in it, its alias, its
// current record number and its record count.
struct CurrentArea {
  bool selected = false;
  std::string alias;
  uint32_t recno = 0;
  uint32_t lastrec = 0;
};

using CurrentAreaQuery = std::function<CurrentArea()>;
using CloseAllHook = std::function<void()>;

// Registers the query (the table layer, once); an empty function removes it.
void set_current_area_query(CurrentAreaQuery query);
// The registered answer; a default CurrentArea (nothing selected, numbers 0)
// without a query. The alias is empty whenever selected is false.
CurrentArea current_area();

// Registers the procedure that closes every work area; an empty function
// removes it.
void set_close_all_hook(CloseAllHook hook);
// Closes every work area through the hook; nothing without one.
void close_all_work_areas();

}  // namespace kx

#endif  // KX_RUNTIME_PROCESS_WORK_AREA_QUERY_H_
