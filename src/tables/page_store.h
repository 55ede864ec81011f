// The pages a PagedFile keeps: at most kMaxPages of them, found by page
// number. A page has kWays places it may take, chosen by its number
// (consecutive pages take different ones); when all of them are taken, the
// one used longest ago gives way. Finding or placing a page looks at kWays
// pages only, whatever the file's size, and the store allocates its room
// once.
#ifndef KX_TABLES_PAGE_STORE_H_
#define KX_TABLES_PAGE_STORE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kx::tables {

class PageStore {
 public:
  static constexpr size_t kPageSize = 512;
  // Pages kept per file, whatever the file's size: 32 KiB, enough for the
  // upper levels of an index, the leaves a run is on and a small table read
  // whole. Only the places a run fills are touched, so a small file costs
  // little of it.
  static constexpr size_t kMaxPages = 64;
  static constexpr size_t kWays = 4;

  struct Page {
    uint64_t number = 0;
    uint8_t* bytes = nullptr;  // kPageSize of them
    size_t valid = 0;          // bytes of the page that the file held (less only at its end)
    uint64_t used = 0;         // 0: the place is free
    uint64_t version = 0;      // set by the owner: changes whenever the bytes do
  };

  // The page held under number, marked as just used; nullptr when none is.
  Page* find(uint64_t number);
  // A place for the page under number (which none is held under yet), marked
  // as just used; what the place held before is forgotten.
  Page& add(uint64_t number);
  // Forgets the pages that hold bytes at or past offset.
  void forget_from(uint64_t offset);

 private:
  static constexpr size_t kSets = kMaxPages / kWays;
  Page* set_of(uint64_t number);

  // kSets runs of kWays places, allocated on first use; the bytes are only
  // touched as pages are placed.
  std::vector<Page> pages_;
  std::unique_ptr<uint8_t[]> bytes_;
  uint64_t clock_ = 0;
};

}  // namespace kx::tables

#endif  // KX_TABLES_PAGE_STORE_H_
