#include "support/testing/faulty_env.h"

#include <cctype>

namespace kx::test {
namespace {

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

namespace {

class FaultyFile : public platform::RandomAccessFile {
 public:
  FaultyFile(std::unique_ptr<platform::RandomAccessFile> file, FaultyEnv* env)
      : file_(std::move(file)), env_(env) {}

  const std::string& name() const override { return file_->name(); }
  platform::FileResult read_at(uint64_t offset, void* buffer, size_t size, size_t* got) override {
    switch (env_->before_read(name())) {
      case FaultyEnv::Action::kFail:
        *got = 0;
        return {platform::kErrReadFault};
      case FaultyEnv::Action::kShort:
        size /= 2;
        break;
      case FaultyEnv::Action::kRead:
        break;
    }
    return file_->read_at(offset, buffer, size, got);
  }
  platform::FileResult size(uint64_t* size) override { return file_->size(size); }

 private:
  const std::unique_ptr<platform::RandomAccessFile> file_;
  FaultyEnv* const env_;
};

}  // namespace

platform::FileResult FaultyEnv::open_random_access(
    const std::string& path, const platform::OpenOptions& options,
    std::unique_ptr<platform::RandomAccessFile>* file) {
  const platform::FileResult opened = target()->open_random_access(path, options, file);
  if (*file) *file = std::make_unique<FaultyFile>(std::move(*file), this);
  return opened;
}

FaultyEnv::Action FaultyEnv::before_read(const std::string& path) {
  if (plan_.fault == ReadFault::kNone) return Action::kRead;
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
