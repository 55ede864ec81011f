#include "tables/page_store.h"

namespace kx::tables {

PageStore::Page* PageStore::set_of(uint64_t number) {
  return pages_.data() + (number % kSets) * kWays;
}

PageStore::Page* PageStore::find(uint64_t number) {
  if (pages_.empty()) return nullptr;
  Page* set = set_of(number);
  for (size_t way = 0; way < kWays; ++way) {
    if (set[way].used != 0 && set[way].number == number) {
      set[way].used = ++clock_;
      return &set[way];
    }
  }
  return nullptr;
}

PageStore::Page& PageStore::add(uint64_t number) {
  if (pages_.empty()) {
    bytes_ = std::make_unique_for_overwrite<uint8_t[]>(kMaxPages * kPageSize);
    pages_.resize(kMaxPages);
    // The first way of every set comes first in memory, and so on: a file
    // that needs few pages touches little of the room.
    for (size_t i = 0; i < kMaxPages; ++i) {
      pages_[i].bytes = bytes_.get() + ((i % kWays) * kSets + i / kWays) * kPageSize;
    }
  }
  Page* set = set_of(number);
  Page* place = set;
  for (size_t way = 1; way < kWays; ++way) {
    if (set[way].used < place->used) place = &set[way];
  }
  place->number = number;
  place->valid = 0;
  place->used = ++clock_;
  return *place;
}

void PageStore::forget_from(uint64_t offset) {
  for (Page& page : pages_) {
    if (page.used != 0 && page.number * kPageSize + page.valid > offset) page.used = 0;
  }
}

}  // namespace kx::tables
