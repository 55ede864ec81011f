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

// Copies the part of [offset, end) that lies in page p from bytes, of which
// valid are the file's; false when the file ends before the part does.
bool copy_part(uint64_t offset, uint64_t end, uint64_t p, const uint8_t* bytes, size_t valid,
               uint8_t* dest) {
  const uint64_t page_start = p * kPage;
  const uint64_t from = std::max(offset, page_start);
  const uint64_t to = std::min(end, page_start + kPage);
  if (bytes == nullptr || page_start + valid < to) return false;
  std::memcpy(dest + (from - offset), bytes + (from - page_start), static_cast<size_t>(to - from));
  return true;
}

}  // namespace

bool is_short_read(const Status& status) {
  return status.gencode() == kGenRead && status.oscode() == platform::kErrHandleEof;
}

PagedFile::PagedFile(std::unique_ptr<platform::RandomAccessFile> file) : file_(std::move(file)) {}

PagedFile::Page* PagedFile::held(uint64_t page) { return pages_.find(page); }

void PagedFile::keep(uint64_t page, const uint8_t* bytes, size_t valid) {
  Page* p = pages_.find(page);
  if (p == nullptr) {
    p = &pages_.add(page);
    p->version = ++versions_;
  } else if (p->valid != valid || std::memcmp(p->bytes, bytes, std::min(valid, p->valid)) != 0) {
    changed_ = true;
    p->version = ++versions_;
  }
  std::memcpy(p->bytes, bytes, valid);
  p->valid = valid;
}

// One call for the pages from first_page up to end_offset, rounded up to
// whole pages.
Status PagedFile::read_from_file(uint64_t first_page, uint64_t end_offset) {
  const uint64_t start = first_page * kPage;
  const uint64_t end = (end_offset + kPage - 1) / kPage * kPage;
  const size_t length = static_cast<size_t>(end - start);
  if (length > buffer_room_) {
    buffer_ = std::make_unique_for_overwrite<uint8_t[]>(length);
    buffer_room_ = length;
  }
  size_t got = 0;
  ++calls_;
  const platform::FileResult r = file_->read_at(start, buffer_.get(), length, &got);
  if (!r.ok()) {
    return Status::read_error(name(), r.os_error, "read failed at offset " + std::to_string(start));
  }
  for (size_t at = 0; at < got; at += kPage) {
    keep(first_page + at / kPage, buffer_.get() + at, std::min<size_t>(kPage, got - at));
  }
  buffer_size_ = got;
  if (got == 0 && length > 0) {
    // Nothing at all past start: the file ends at start or before it.
    uint64_t size = 0;
    Status s = refresh_size(&size);
    if (!s.ok()) return s;
  } else if (got < length) {
    known_size_ = start + got;
    size_exact_ = true;
    pages_.forget_from(known_size_);
  } else if (start + got > known_size_) {
    known_size_ = start + got;
    size_exact_ = false;
  }
  return Status();
}

// Reads from first_page to read_end into the buffer. A read that came back
// short of end is believed only when the file's size says so too; otherwise
// it is made once more.
Status PagedFile::read_through(uint64_t first_page, uint64_t end, uint64_t read_end) {
  Status s = read_from_file(first_page, read_end);
  if (!s.ok() || first_page * kPage + buffer_size_ >= end) return s;
  if (end > known_size_) {
    uint64_t size_now = 0;
    s = refresh_size(&size_now);
    if (!s.ok() || end > size_now) return s;
  }
  return read_from_file(first_page, read_end);
}

Status PagedFile::read(uint64_t offset, size_t size, void* out, Freshness freshness, size_t ahead) {
  uint64_t end = 0;
  if (!checked_add(offset, size, &end)) return short_read(name(), offset);
  if (size == 0) return Status();
  uint8_t* dest = static_cast<uint8_t*>(out);
  const uint64_t last = (end - 1) / kPage;
  uint64_t missing = offset / kPage;
  for (; missing <= last; ++missing) {
    const Page* page = freshness == Freshness::kKept ? held(missing) : nullptr;
    if (page == nullptr || !copy_part(offset, end, missing, page->bytes, page->valid, dest)) {
      break;
    }
  }
  if (missing > last) return Status();
  uint64_t read_end = end;
  checked_add(end, ahead, &read_end);
  Status s = read_through(missing, end, read_end);
  if (!s.ok()) return s;
  for (uint64_t p = missing; p <= last; ++p) {
    const uint64_t at = (p - missing) * kPage;
    const bool held_by_buffer = at < buffer_size_;
    const uint8_t* bytes = held_by_buffer ? buffer_.get() + at : nullptr;
    const size_t valid = held_by_buffer ? std::min<size_t>(kPage, buffer_size_ - at) : 0;
    if (!copy_part(offset, end, p, bytes, valid, dest)) return short_read(name(), offset);
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
  if (*size < known_size_) pages_.forget_from(*size);
  known_size_ = *size;
  size_exact_ = true;
  return Status();
}

uint64_t PagedFile::version_of(uint64_t offset) {
  const Page* page = held(offset / kPage);
  return page != nullptr && page->valid == kPage ? page->version : 0;
}

bool PagedFile::take_changed() {
  const bool changed = changed_;
  changed_ = false;
  return changed;
}

}  // namespace kx::tables
