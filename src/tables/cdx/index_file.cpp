#include "tables/cdx/index_file.h"

#include <algorithm>
#include <utility>

#include "runtime/text/ascii.h"
#include "tables/cdx/cdx_format.h"
#include "tables/cdx/fill_inference.h"
#include "tables/cdx/tag_cursor.h"
#include "tables/cdx/tag_header.h"
#include "tables/cdx/tree_walk.h"
#include "tables/cdx/tree_walker.h"
#include "tables/rereading.h"

namespace kx::tables::cdx {
namespace {

// Upper case with trailing blanks and NULs removed: how tag names compare.
std::string normalize_name(std::string_view name) {
  size_t end = name.size();
  while (end > 0 && (name[end - 1] == ' ' || name[end - 1] == '\0')) --end;
  return ascii_upper(name.substr(0, end));
}

TagInfo make_tag_info(std::string name, const TagHeader& header) {
  TagInfo tag;
  tag.name = std::move(name);
  tag.key_expression = header.key_expression;
  tag.for_expression = header.for_expression;
  tag.key_length = header.key_length;
  tag.options = header.options;
  tag.signature = header.signature;
  tag.collation = header.collation;
  tag.descending = header.descending;
  tag.unique = (header.options & kOptionUnique) != 0;
  tag.candidate = (header.options & kOptionCandidate) != 0;
  tag.nullable = (header.options & kOptionNullable) != 0;
  tag.header_offset = header.offset;
  return tag;
}

}  // namespace

bool TagInfo::is_btree() const { return signature != kSignatureBitmap; }
bool TagInfo::can_order() const { return signature == kSignatureMachine; }

// What the first read of an index takes: the directory header, and in most
// files the directory's page and the first tag headers with their roots.
constexpr size_t kFirstRead = 8192;

class IndexFile::Impl {
 public:
  explicit Impl(std::unique_ptr<platform::RandomAccessFile> file) : file_(std::move(file)) {}

  Status load(const KeyTyper& typer) {
    Status s = file_.prefetch(0, kFirstRead);
    if (!s.ok()) return s;
    TagHeader directory;
    s = read_until_settled(
        &file_, [] { return header_place(0); },
        [&](const ReadAttempt& a) {
          return read_tag_header(&file_, 0, false, a.freshness, &directory);
        });
    if (!s.ok()) return s;
    if (directory.key_length != kDirectoryKeyLength) {
      return Status::corruption(
          file_.name(),
          "directory header: key length " + std::to_string(directory.key_length) + ", expected 10");
    }
    s = read_directory(directory.signature);
    if (!s.ok()) return s;
    std::stable_sort(tags_.begin(), tags_.end(), [](const TagInfo& a, const TagInfo& b) {
      return a.header_offset < b.header_offset;
    });
    for (TagInfo& tag : tags_) {
      if (tag.is_btree()) settle_fill(typer, &tag);
    }
    return Status();
  }

  // One reading of the directory for the header of the tag named name.
  Status locate(const std::string& name, const ReadAttempt& a, uint64_t* header) {
    TagRoot directory;
    Status s = read_tag_root(&file_, 0, a.freshness, &directory);
    if (!s.ok()) return s;
    if (directory.key_length != kDirectoryKeyLength) {
      return Status::corruption(
          file_.name(),
          "directory header: key length " + std::to_string(directory.key_length) + ", expected 10");
    }
    TreeWalk walk(&file_, TreeShape{0, kDirectoryKeyLength, directory.signature, kDirectoryFill});
    std::string key = name;
    key.resize(kDirectoryKeyLength, kDirectoryFill);
    if (!walk.seek(directory.root, Target::kAtLeast, key, 0, WalkMode{a.freshness, a.tolerant})) {
      return walk.status();
    }
    if (!walk.valid() || normalize_name(walk.key()) != name) {
      return Status::corruption(file_.name(), "directory: no tag " + name);
    }
    *header = walk.recno();
    return Status();
  }

  PagedFile file_;
  std::vector<TagInfo> tags_;

 private:
  Status read_directory(uint8_t signature) {
    TreeWalker walker(&file_, TreeShape{0, kDirectoryKeyLength, signature, kDirectoryFill});
    for (walker.seek_first(); walker.valid(); walker.next()) {
      if (tags_.size() == kMaxTags) {
        return Status::corruption(file_.name(),
                                  "directory: more than " + std::to_string(kMaxTags) + " tags");
      }
      TagHeader header;
      const uint64_t offset = walker.recno();
      Status s = read_until_settled(
          &file_, [&] { return header_place(offset); },
          [&](const ReadAttempt& a) {
            return read_tag_header(&file_, offset, true, a.freshness, &header);
          });
      if (!s.ok()) return s;
      tags_.push_back(make_tag_info(normalize_name(walker.key()), header));
    }
    return walker.status();
  }

  void settle_fill(const KeyTyper& typer, TagInfo* tag) {
    std::optional<char> fill = fill_from_header(*tag);
    if (fill) {
      tag->fill = *fill;
      tag->fill_source = FillSource::kHeader;
      return;
    }
    if (typer && (fill = typer(*tag))) {
      tag->fill = *fill;
      tag->fill_source = FillSource::kKeyType;
      return;
    }
    FillVerdict verdict = fill_from_pages(&file_, *tag);
    tag->fill = verdict.fill;
    tag->fill_source = verdict.source;
    tag->fill_note = std::move(verdict.note);
  }
};

IndexFile::IndexFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
IndexFile::~IndexFile() = default;

std::unique_ptr<IndexFile> IndexFile::open(std::unique_ptr<platform::RandomAccessFile> file,
                                           Status* status, const KeyTyper& typer) {
  auto impl = std::make_unique<Impl>(std::move(file));
  *status = impl->load(typer);
  if (!status->ok()) return nullptr;
  return std::unique_ptr<IndexFile>(new IndexFile(std::move(impl)));
}

const std::vector<TagInfo>& IndexFile::tags() const { return impl_->tags_; }

int IndexFile::find_tag(std::string_view name) const {
  const std::string wanted = normalize_name(name);
  for (size_t i = 0; i < impl_->tags_.size(); ++i) {
    if (impl_->tags_[i].name == wanted) return static_cast<int>(i);
  }
  return -1;
}

void IndexFile::set_fill(size_t tag, char fill) {
  impl_->tags_[tag].fill = fill;
  impl_->tags_[tag].fill_source = FillSource::kKeyType;
  impl_->tags_[tag].fill_note.clear();
}

std::unique_ptr<TagCursor> IndexFile::cursor(size_t tag) {
  const TagInfo& info = impl_->tags_[tag];
  if (!info.is_btree()) {
    return make_failed_cursor(Status(kGenArgument, kSubArgument, 0, impl_->file_.name(), "",
                                     "tag " + info.name + " is a bitmap tag, not a B-tree"));
  }
  Impl* const impl = impl_.get();
  TagHome home{info.key_expression, info.for_expression,
               [impl, name = info.name](const ReadAttempt& a, uint64_t* header) {
                 return impl->locate(name, a, header);
               }};
  return make_tag_cursor(&impl_->file_, info, std::move(home));
}

Status IndexFile::key_count(size_t tag, uint64_t* count) {
  const TagInfo& info = impl_->tags_[tag];
  *count = 0;
  if (!info.is_btree()) {
    return Status(kGenArgument, kSubArgument, 0, impl_->file_.name(), "",
                  "tag " + info.name + " is a bitmap tag, not a B-tree");
  }
  TreeWalker walker(&impl_->file_,
                    TreeShape{info.header_offset, info.key_length, info.signature, info.fill});
  return walker.count_keys(count);
}

uint64_t IndexFile::read_count() const { return impl_->file_.calls(); }
const std::string& IndexFile::name() const { return impl_->file_.name(); }

}  // namespace kx::tables::cdx
