#include "runtime/process/work_area_query.h"

#include "runtime/process/process_state.h"

namespace kx {
namespace {

struct WorkAreaHooks {
  CurrentAreaQuery current_area;
  CloseAllHook close_all;
};

CurrentAreaQuery& query_slot() { return process_state().slot<WorkAreaHooks>().current_area; }
CloseAllHook& close_all_slot() { return process_state().slot<WorkAreaHooks>().close_all; }

}  // namespace

void set_current_area_query(CurrentAreaQuery query) { query_slot() = std::move(query); }

CurrentArea current_area() {
  if (!query_slot()) return CurrentArea();
  CurrentArea area = query_slot()();
  if (!area.selected) area.alias.clear();
  return area;
}

void set_close_all_hook(CloseAllHook hook) { close_all_slot() = std::move(hook); }

void close_all_work_areas() {
  if (close_all_slot()) close_all_slot()();
}

}  // namespace kx
