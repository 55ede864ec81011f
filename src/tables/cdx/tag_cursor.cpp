#include "tables/cdx/tag_cursor.h"

#include <string>
#include <utility>

#include "tables/cdx/tree_walker.h"

namespace kx::tables::cdx {
namespace {

class BtreeCursor : public TagCursor {
 public:
  BtreeCursor(PagedFile* file, const TagInfo& tag, TagHome home)
      : walker_(file, TreeShape{tag.header_offset, tag.key_length, tag.signature, tag.fill},
                std::move(home)),
        key_length_(tag.key_length),
        descending_(tag.descending) {}

  bool valid() const override { return walker_.valid(); }

  void seek_first() override { descending_ ? walker_.seek_last() : walker_.seek_first(); }
  void seek_last() override { descending_ ? walker_.seek_first() : walker_.seek_last(); }

  void seek(std::string_view prefix) override {
    prefix = prefix.substr(0, key_length_);
    if (!descending_) return walker_.seek_at_least(prefix);
    // In descending order the first entry whose key cut to the prefix is
    // <= prefix is the one just before the first entry that is > prefix.
    walker_.seek_after(prefix);
    if (walker_.valid()) {
      walker_.prev();
    } else if (walker_.status().ok()) {
      walker_.seek_last();
    }
  }

  void next() override { descending_ ? walker_.prev() : walker_.next(); }
  void prev() override { descending_ ? walker_.next() : walker_.prev(); }
  std::string_view key() const override { return walker_.key(); }
  uint32_t recno() const override { return walker_.recno(); }
  const Status& status() const override { return walker_.status(); }

 private:
  TreeWalker walker_;
  const size_t key_length_;
  const bool descending_;
};

class FailedCursor : public TagCursor {
 public:
  explicit FailedCursor(Status status) : status_(std::move(status)) {}
  bool valid() const override { return false; }
  void seek_first() override {}
  void seek_last() override {}
  void seek(std::string_view) override {}
  void next() override {}
  void prev() override {}
  std::string_view key() const override { return {}; }
  uint32_t recno() const override { return 0; }
  const Status& status() const override { return status_; }

 private:
  const Status status_;
};

}  // namespace

std::unique_ptr<TagCursor> make_tag_cursor(PagedFile* file, const TagInfo& tag, TagHome home) {
  return std::make_unique<BtreeCursor>(file, tag, std::move(home));
}

std::unique_ptr<TagCursor> make_failed_cursor(Status status) {
  return std::make_unique<FailedCursor>(std::move(status));
}

}  // namespace kx::tables::cdx
