#include "platform/fault_seam.h"

#include <cctype>
#include <utility>
#include <vector>

namespace kx::platform {
namespace {

struct SeamState {
  bool armed = false;
  ReadFaultPlan plan;
  uint64_t counted = 0;
  std::string fired_path;
  bool announce = false;  // say so on standard error when firing
  std::vector<std::pair<NativeHandle, std::string>> open_files;
};

SeamState& state() {
  static SeamState s;
  return s;
}

bool contains_ignoring_case(const std::string& text, const std::string& part) {
  if (part.size() > text.size()) return false;
  for (size_t start = 0; start + part.size() <= text.size(); ++start) {
    size_t i = 0;
    while (i < part.size() && std::toupper(static_cast<unsigned char>(text[start + i])) ==
                                  std::toupper(static_cast<unsigned char>(part[i]))) {
      ++i;
    }
    if (i == part.size()) return true;
  }
  return false;
}

const std::string* path_of(NativeHandle handle) {
  for (const auto& entry : state().open_files) {
    if (entry.first == handle) return &entry.second;
  }
  return nullptr;
}

void write_announcement(const std::string& path, ReadAction action, uint64_t nth) {
  const std::string line = std::string("fault seam: read ") + std::to_string(nth) + " of " + path +
                           (action == ReadAction::kShort ? " cut short\n" : " failed\n");
  write_bytes(std_handle(StdStream::kError), line.data(), line.size());
}

}  // namespace

void arm_read_fault(const ReadFaultPlan& plan, bool announce) {
  SeamState& s = state();
  s.armed = plan.fault != ReadFault::kNone;
  s.plan = plan;
  s.counted = 0;
  s.fired_path.clear();
  s.announce = announce;
}

void disarm_read_fault() {
  arm_read_fault(ReadFaultPlan());
  state().open_files.clear();
}

std::optional<ReadFaultPlan> parse_read_fault(std::string_view text) {
  ReadFaultPlan plan;
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view mode = text.substr(0, colon);
  if (mode == "once") {
    plan.fault = ReadFault::kFailOnce;
  } else if (mode == "always") {
    plan.fault = ReadFault::kFailPersistent;
  } else if (mode == "short") {
    plan.fault = ReadFault::kShort;
  } else {
    return std::nullopt;
  }
  std::string_view rest = text.substr(colon + 1);
  const size_t next = rest.find(':');
  const std::string_view digits = rest.substr(0, next);
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  uint64_t nth = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    nth = nth * 10 + static_cast<uint64_t>(c - '0');
  }
  if (nth == 0) return std::nullopt;
  plan.nth = nth;
  if (next != std::string_view::npos) plan.path_part = std::string(rest.substr(next + 1));
  return plan;
}

std::string read_fault_fired_path() { return state().fired_path; }

void fault_seam_note_open(NativeHandle handle, const std::string& path) {
  SeamState& s = state();
  if (!s.armed || handle == kInvalidHandle) return;
  fault_seam_note_close(handle);
  s.open_files.emplace_back(handle, path);
}

void fault_seam_note_close(NativeHandle handle) {
  auto& files = state().open_files;
  for (size_t i = 0; i < files.size(); ++i) {
    if (files[i].first == handle) {
      files.erase(files.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

ReadAction fault_seam_before_read(NativeHandle handle) {
  SeamState& s = state();
  if (!s.armed) return ReadAction::kRead;
  const std::string* path = path_of(handle);
  const std::string where = path != nullptr ? *path : std::string();
  if (!s.plan.path_part.empty() && !contains_ignoring_case(where, s.plan.path_part))
    return ReadAction::kRead;
  ++s.counted;
  const bool due = s.plan.fault == ReadFault::kFailPersistent ? s.counted >= s.plan.nth
                                                              : s.counted == s.plan.nth;
  if (!due) return ReadAction::kRead;
  const ReadAction action =
      s.plan.fault == ReadFault::kShort ? ReadAction::kShort : ReadAction::kFail;
  if (s.announce && s.fired_path.empty()) write_announcement(where, action, s.counted);
  s.fired_path = where;
  return action;
}

}  // namespace kx::platform
