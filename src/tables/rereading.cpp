#include "tables/rereading.h"

#include <algorithm>

#include "platform/env.h"

namespace kx::tables {

bool may_be_half_written(const Status& failure) {
  return failure.gencode() == kGenCorruption || is_short_read(failure);
}

Rereading::Rereading(PagedFile* file, std::string what) : file_(file), what_(std::move(what)) {
  file_->take_changed();
}

bool Rereading::again(const Status& failure, ReadAttempt* next) {
  verdict_ = failure;
  if (!may_be_half_written(failure)) return false;
  ++attempts_;
  next->freshness = PagedFile::Freshness::kFromFile;
  next->tolerant = attempts_ > 1;
  const bool changed = file_->take_changed();
  if (attempts_ <= 2) return true;
  // The wait before attempt n doubles from 1 ms; the last one is cut to the bound.
  const uint32_t wait =
      std::min<uint32_t>(1u << std::min<size_t>(attempts_ - 3, 16), kMaxWaitMs - waited_);
  quiet_ = changed ? 0 : quiet_;
  if (attempts_ > 3 && !changed && quiet_ >= kQuietMs) return false;
  if (wait == 0) {
    verdict_ = Status::read_error(file_->name(), 0,
                                  what_ + ": the file kept changing for " +
                                      std::to_string(kMaxWaitMs) + " ms while it was read");
    return false;
  }
  platform::env().sleep_ms(wait);
  waited_ += wait;
  quiet_ += wait;
  return true;
}

}  // namespace kx::tables
