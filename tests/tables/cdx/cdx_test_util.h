// Helpers shared by the compound index tests: opening, walking, and the seek
// result that a linear scan of a walk predicts.
#ifndef KX_TESTS_TABLES_CDX_CDX_TEST_UTIL_H_
#define KX_TESTS_TABLES_CDX_CDX_TEST_UTIL_H_

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/memory_file.h"
#include "tables/cdx/index_file.h"
#include "tables/open_file.h"

namespace kx::tables::cdx {

struct WalkEntry {
  std::string key;
  uint32_t recno = 0;
  friend bool operator==(const WalkEntry&, const WalkEntry&) = default;
};

inline std::unique_ptr<IndexFile> open_bytes(std::string bytes, Status* status,
                                             std::string name = "TEST.CDX") {
  return IndexFile::open(test::memory_file(std::move(name), std::move(bytes)), status);
}

inline std::unique_ptr<IndexFile> open_path(const std::string& path, Status* status) {
  std::unique_ptr<platform::RandomAccessFile> file =
      open_file(path, {}, NameMatch::kAnyCase, status);
  if (!file) return nullptr;
  return IndexFile::open(std::move(file), status);
}

// Entries in tag order from seek_first (forward) or seek_last (backward), at
// most limit of them.
inline std::vector<WalkEntry> walk(TagCursor* cursor, bool forward, size_t limit = 10000000) {
  std::vector<WalkEntry> out;
  forward ? cursor->seek_first() : cursor->seek_last();
  while (cursor->valid() && out.size() < limit) {
    out.push_back(WalkEntry{std::string(cursor->key()), cursor->recno()});
    forward ? cursor->next() : cursor->prev();
  }
  return out;
}

// The position that a seek of prefix must land on in a walk in tag order:
// the first entry whose key cut to the prefix's length is >= prefix (<= for
// a descending tag); walk.size() for end of file.
inline size_t expected_seek(const std::vector<WalkEntry>& walk, std::string_view prefix,
                            bool descending) {
  for (size_t i = 0; i < walk.size(); ++i) {
    const std::string_view cut = std::string_view(walk[i].key).substr(0, prefix.size());
    if (descending ? cut <= prefix : cut >= prefix) return i;
  }
  return walk.size();
}

// The smallest string of the same length greater than s (empty when s is all
// 0xFF bytes).
inline std::string successor(std::string s) {
  for (size_t i = s.size(); i > 0; --i) {
    if (static_cast<unsigned char>(s[i - 1]) != 0xFF) {
      s[i - 1] = static_cast<char>(static_cast<unsigned char>(s[i - 1]) + 1);
      return s;
    }
    s[i - 1] = '\0';
  }
  return std::string();
}

}  // namespace kx::tables::cdx

#include "tables/cdx/key_encoding.h"
#include "tablewriter/cdx_writer.h"

namespace kx::tables::cdx {

// A file whose bytes the test can replace while an index reads it, as
// another application rewriting the file would; reads from fail_reads_from
// on fail.
class SwappableSource : public platform::RandomAccessFile {
 public:
  explicit SwappableSource(std::string bytes) : bytes_(std::move(bytes)) {}
  void replace(std::string bytes) { bytes_ = std::move(bytes); }
  void fail_reads_from(uint64_t offset) { fail_from_ = offset; }
  const std::string& name() const override { return name_; }
  platform::FileResult read_at(uint64_t offset, void* buffer, size_t size, size_t* got) override {
    ++reads_;
    *got = 0;
    if (offset >= fail_from_) return {platform::kErrReadFault};
    if (offset < bytes_.size()) {
      *got = static_cast<size_t>(std::min<uint64_t>(size, bytes_.size() - offset));
      std::copy_n(bytes_.data() + offset, *got, static_cast<char*>(buffer));
    }
    return {};
  }
  platform::FileResult size(uint64_t* size) override {
    *size = bytes_.size();
    return {};
  }
  uint64_t read_count() const { return reads_; }

 private:
  const std::string name_ = "SWAP.CDX";
  std::string bytes_;
  uint64_t fail_from_ = UINT64_MAX;
  uint64_t reads_ = 0;
};

// Integer keys 1..n for records 1..n (record i holds value i * step).
inline writer::CdxTagSpec integer_tag(std::string name, int n, int step = 1) {
  writer::CdxTagSpec tag;
  tag.name = std::move(name);
  tag.key_expression = "id";
  tag.key_length = 4;
  tag.fill = '\0';
  for (int i = 1; i <= n; ++i) {
    tag.entries.push_back({encode_integer(i * step), static_cast<uint32_t>(i)});
  }
  return tag;
}

inline void put_le32(std::string* bytes, uint64_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void put_le16(std::string* bytes, uint64_t at, uint16_t v) {
  (*bytes)[at] = static_cast<char>(v & 0xFF);
  (*bytes)[at + 1] = static_cast<char>(v >> 8);
}
inline void put_be32(std::string* bytes, uint64_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + 3 - i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace kx::tables::cdx

#endif  // KX_TESTS_TABLES_CDX_CDX_TEST_UTIL_H_
