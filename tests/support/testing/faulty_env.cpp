#include "support/testing/faulty_env.h"

#include <cctype>

namespace kx::test {
namespace {

using platform::kInvalidHandle;
using platform::NativeHandle;

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

}  // namespace

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

FaultyEnv::FaultyEnv() : EnvWrapper(&platform::env()), previous_(platform::set_env(this)) {}

FaultyEnv::~FaultyEnv() { platform::set_env(previous_); }

void FaultyEnv::arm(const ReadFaultPlan& plan, bool announce) {
  plan_ = plan;
  announce_ = announce;
  counted_ = 0;
  fired_path_.clear();
}

NativeHandle FaultyEnv::open_file(const std::string& path, platform::OpenMode mode, bool shared,
                                  uint32_t* os_error) {
  return opened(target()->open_file(path, mode, shared, os_error), path);
}

NativeHandle FaultyEnv::open_file_flags(const std::string& path, uint32_t flags,
                                        uint32_t* os_error) {
  return opened(target()->open_file_flags(path, flags, os_error), path);
}

NativeHandle FaultyEnv::create_file(const std::string& path, uint32_t* os_error) {
  return opened(target()->create_file(path, os_error), path);
}

// A handle number that comes back for another file must not keep the old path.
void FaultyEnv::close_file(NativeHandle handle) {
  for (size_t i = 0; i < open_files_.size(); ++i) {
    if (open_files_[i].first == handle) {
      open_files_.erase(open_files_.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  target()->close_file(handle);
}

bool FaultyEnv::read_at(NativeHandle handle, uint64_t offset, void* buffer, size_t size,
                        size_t* got, uint32_t* os_error) {
  switch (before_read(handle)) {
    case Action::kFail:
      *got = 0;
      *os_error = platform::kErrReadFault;
      return false;
    case Action::kShort:
      size /= 2;
      break;
    case Action::kRead:
      break;
  }
  return target()->read_at(handle, offset, buffer, size, got, os_error);
}

NativeHandle FaultyEnv::opened(NativeHandle handle, const std::string& path) {
  if (handle == kInvalidHandle) return handle;
  for (auto& entry : open_files_) {
    if (entry.first == handle) {
      entry.second = path;
      return handle;
    }
  }
  open_files_.emplace_back(handle, path);
  return handle;
}

std::string FaultyEnv::path_of(NativeHandle handle) const {
  for (const auto& entry : open_files_) {
    if (entry.first == handle) return entry.second;
  }
  return "";
}

FaultyEnv::Action FaultyEnv::before_read(NativeHandle handle) {
  if (plan_.fault == ReadFault::kNone) return Action::kRead;
  const std::string path = path_of(handle);
  if (!plan_.path_part.empty() && !contains_ignoring_case(path, plan_.path_part)) {
    return Action::kRead;
  }
  ++counted_;
  const bool due =
      plan_.fault == ReadFault::kFailPersistent ? counted_ >= plan_.nth : counted_ == plan_.nth;
  if (!due) return Action::kRead;
  const Action action = plan_.fault == ReadFault::kShort ? Action::kShort : Action::kFail;
  if (announce_ && fired_path_.empty()) announce(path, action);
  fired_path_ = path;
  return action;
}

void FaultyEnv::announce(const std::string& path, Action action) const {
  const std::string line = "fault seam: read " + std::to_string(counted_) + " of " + path +
                           (action == Action::kShort ? " cut short\n" : " failed\n");
  target()->write_bytes(target()->std_handle(platform::StdStream::kError), line.data(),
                        line.size());
}

}  // namespace kx::test
