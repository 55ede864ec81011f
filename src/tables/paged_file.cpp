#include "tables/paged_file.h"

#include <algorithm>
#include <cstring>

#include "tables/bytes.h"

namespace kx::tables {
namespace {

constexpr uint64_t kPage = PagedFile::kPageSize;

Status short_read(const std::string& name, uint64_t offset) {
  return Status::read_error(name, platform::kErrHandleEof,
                            "short read at offset " + std::to_string(offset));
}

}  // namespace

bool is_short_read(const Status& status) {
  return status.gencode() == kGenRead && status.oscode() == platform::kErrHandleEof;
}

PagedFile::PagedFile(std::unique_ptr<platform::RandomAccessFile> file) : file_(std::move(file)) {}

PagedFile::Page* PagedFile::held(uint64_t page) {
  auto it = pages_.find(page);
  if (it == pages_.end()) return nullptr;
  it->second.used = ++clock_;
  return &it->second;
}

void PagedFile::keep(uint64_t page, const uint8_t* bytes, size_t valid) {
  auto it = pages_.find(page);
  if (it != pages_.end()) {
    Page& old = it->second;
    if (old.valid != valid || std::memcmp(old.bytes.data(), bytes, std::min(valid, old.valid))) {
      changed_ = true;
    }
  } else if (pages_.size() >= kMaxPages) {
    auto oldest = pages_.begin();
    for (auto i = pages_.begin(); i != pages_.end(); ++i) {
      if (i->second.used < oldest->second.used) oldest = i;
    }
    pages_.erase(oldest);
  }
  Page& p = pages_[page];
  std::memcpy(p.bytes.data(), bytes, valid);
  p.valid = valid;
  p.used = ++clock_;
}

void PagedFile::forget_from(uint64_t offset) {
  for (auto it = pages_.begin(); it != pages_.end();) {
    const uint64_t start = it->first * kPage;
    if (start + it->second.valid > offset) {
      it = pages_.erase(it);
    } else {
      ++it;
    }
  }
}

// One call for the pages from first_page up to end_offset, rounded up to
// whole pages.
Status PagedFile::read_from_file(uint64_t first_page, uint64_t end_offset) {
  const uint64_t start = first_page * kPage;
  const uint64_t end = (end_offset + kPage - 1) / kPage * kPage;
  const size_t length = static_cast<size_t>(end - start);
  buffer_.resize(length);
  size_t got = 0;
  ++calls_;
  const platform::FileResult r = file_->read_at(start, buffer_.data(), length, &got);
  if (!r.ok()) {
    return Status::read_error(name(), r.os_error, "read failed at offset " + std::to_string(start));
  }
  for (size_t at = 0; at < got; at += kPage) {
    keep(first_page + at / kPage, buffer_.data() + at, std::min<size_t>(kPage, got - at));
  }
  buffer_.resize(got);
  if (got == 0 && length > 0) {
    // Nothing at all past start: the file ends at start or before it.
    uint64_t size = 0;
    Status s = refresh_size(&size);
    if (!s.ok()) return s;
  } else if (got < length) {
    known_size_ = start + got;
    size_exact_ = true;
    forget_from(known_size_);
  } else if (start + got > known_size_) {
    known_size_ = start + got;
    size_exact_ = false;
  }
  return Status();
}

Status PagedFile::read(uint64_t offset, size_t size, void* out, Freshness freshness, size_t ahead) {
  uint64_t end = 0;
  if (!checked_add(offset, size, &end)) return short_read(name(), offset);
  if (size == 0) return Status();
  const uint64_t first = offset / kPage;
  const uint64_t last = (end - 1) / kPage;
  uint64_t missing = last + 1;
  for (uint64_t p = first; p <= last; ++p) {
    const Page* page = freshness == Freshness::kKept ? held(p) : nullptr;
    const uint64_t wanted = std::min(end, (p + 1) * kPage) - p * kPage;
    if (page == nullptr || page->valid < wanted) {
      missing = p;
      break;
    }
  }
  if (missing <= last) {
    uint64_t read_end = end;
    checked_add(end, ahead, &read_end);
    Status s = read_from_file(missing, read_end);
    if (!s.ok()) return s;
    // A read that came back short is believed only when the file's size
    // says so too; otherwise it is made once more.
    if (missing * kPage + buffer_.size() < end && end <= known_size_) {
      s = read_from_file(missing, read_end);
      if (!s.ok()) return s;
    } else if (missing * kPage + buffer_.size() < end) {
      uint64_t size = 0;
      s = refresh_size(&size);
      if (!s.ok()) return s;
      if (end <= size) {
        s = read_from_file(missing, read_end);
        if (!s.ok()) return s;
      }
    }
  }
  uint8_t* dest = static_cast<uint8_t*>(out);
  for (uint64_t p = first; p <= last; ++p) {
    const uint64_t page_start = p * kPage;
    const uint64_t from = std::max(offset, page_start);
    const uint64_t to = std::min(end, page_start + kPage);
    const uint8_t* bytes = nullptr;
    size_t valid = 0;
    if (p >= missing) {
      const uint64_t at = page_start - missing * kPage;
      if (at < buffer_.size()) {
        bytes = buffer_.data() + at;
        valid = std::min<size_t>(kPage, buffer_.size() - static_cast<size_t>(at));
      }
    } else {
      const Page* page = held(p);
      bytes = page->bytes.data();
      valid = page->valid;
    }
    if (bytes == nullptr || page_start + valid < to) return short_read(name(), offset);
    std::memcpy(dest + (from - offset), bytes + (from - page_start),
                static_cast<size_t>(to - from));
  }
  return Status();
}

Status PagedFile::prefetch(uint64_t offset, size_t size) {
  if (size == 0 || (size_exact_ && offset >= known_size_)) return Status();
  const uint64_t end = offset + size;
  for (uint64_t p = offset / kPage; p * kPage < end; ++p) {
    const Page* page = held(p);
    if (page == nullptr || page->valid < kPage) {
      if (page != nullptr && size_exact_ && p * kPage + page->valid >= known_size_) return Status();
      return read_from_file(p, end);
    }
  }
  return Status();
}

Status PagedFile::refresh_size(uint64_t* size) {
  ++calls_;
  const platform::FileResult r = file_->size(size);
  if (!r.ok()) return Status::read_error(name(), r.os_error, "cannot read the file size");
  if (*size < known_size_) forget_from(*size);
  known_size_ = *size;
  size_exact_ = true;
  return Status();
}

bool PagedFile::take_changed() {
  const bool changed = changed_;
  changed_ = false;
  return changed;
}

}  // namespace kx::tables
