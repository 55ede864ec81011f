#include "tables/work_areas.h"

#include "runtime/process/process_state.h"
#include "runtime/text/ascii.h"

namespace kx::tables {
namespace {

bool same_alias(std::string_view a, std::string_view b) {
  auto trimmed = [](std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
  };
  return ascii_equal_ignoring_case(trimmed(a), trimmed(b));
}

}  // namespace

uint32_t WorkAreas::lowest_free() const {
  uint32_t number = 1;
  for (const auto& [n, area] : areas_) {
    if (n != number) break;
    ++number;
  }
  return number;
}

Status WorkAreas::use(bool new_area, const std::string& path, const std::string& alias,
                      const platform::OpenOptions& options) {
  forget_hints();
  const uint32_t target = new_area ? lowest_free() : current_;
  if (!new_area) areas_.erase(current_);
  Status status;
  std::unique_ptr<WorkArea> area = WorkArea::open(path, alias, options, &status);
  if (!area) return status;
  if (area_of(area->alias()) != 0) {
    return Status(kGenDupAlias, kSubArgument, 0, path, "open",
                  "alias " + area->alias() + " is already in use");
  }
  areas_[target] = std::move(area);
  current_ = target;
  return Status();
}

Status WorkAreas::select(std::string_view alias) {
  const uint32_t area = area_of(alias);
  if (area == 0) {
    return Status(kGenNoAlias, kSubArgument, 0, "", "select",
                  "alias " + std::string(alias) + " is not in use");
  }
  current_ = area;
  return Status();
}

void WorkAreas::select(uint32_t number) { current_ = number == 0 ? lowest_free() : number; }

uint32_t WorkAreas::area_of(std::string_view alias) const {
  for (const AliasHint& hint : hints_) {
    if (hint.number != 0 && hint.alias == alias) return hint.number;
  }
  for (const auto& [number, area] : areas_) {
    if (same_alias(area->alias(), alias)) {
      hints_[next_hint_] = AliasHint{std::string(alias), number};
      next_hint_ = (next_hint_ + 1) % kAliasHints;
      return number;
    }
  }
  return 0;
}

void WorkAreas::forget_hints() {
  for (AliasHint& hint : hints_) hint.number = 0;
}

WorkArea* WorkAreas::current() {
  const auto it = areas_.find(current_);
  return it == areas_.end() ? nullptr : it->second.get();
}

WorkArea* WorkAreas::find(std::string_view alias) {
  const uint32_t number = area_of(alias);
  return number == 0 ? nullptr : areas_.find(number)->second.get();
}

std::string WorkAreas::alias() const {
  const auto it = areas_.find(current_);
  return it == areas_.end() ? "" : it->second->alias();
}

void WorkAreas::close_current() {
  forget_hints();
  areas_.erase(current_);
}

void WorkAreas::close_all() {
  forget_hints();
  areas_.clear();
}

CurrentArea WorkAreas::summary() {
  CurrentArea out;
  WorkArea* area = current();
  if (area == nullptr) return out;
  out.selected = true;
  out.alias = area->alias();
  uint32_t count = area->known_record_count();
  if (!area->record_count(&count).ok()) count = area->known_record_count();
  out.lastrec = count;
  out.recno = area->recno();
  return out;
}

WorkAreas& work_areas() { return process_state().slot<WorkAreas>(); }

}  // namespace kx::tables
