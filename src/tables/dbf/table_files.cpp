#include "tables/dbf/table_files.h"

#include "platform/env.h"
#include "runtime/text/ascii.h"
#include "tables/dbf/dbf_format.h"

namespace kx::tables::dbf {
namespace {

size_t leaf_start(const std::string& path) {
  const size_t slash = path.find_last_of("/\\:");
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

std::string base_name(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < leaf_start(path)) return path;
  return path.substr(0, dot);
}

std::string sibling_file(const std::string& path, const std::string& extension) {
  return platform::env().existing_file(base_name(path) + "." + extension);
}

std::string memo_extension(const std::string& path) {
  const std::string base = base_name(path);
  const std::string extension =
      path.size() > base.size() ? ascii_lower(path.substr(base.size())) : "";
  return extension == ".dbc" ? "dct" : "fpt";
}

std::unique_ptr<Table> open_table(const std::string& path, bool read_write, bool exclusive,
                                  Status* status, MemoFormats formats) {
  std::unique_ptr<ByteSource> source = open_file_source(path, read_write, exclusive, status);
  if (!source) return nullptr;
  std::unique_ptr<Table> table = Table::open(std::move(source), nullptr, status);
  if (!table || !table->layout().has_memo_fields()) return table;
  const uint8_t version = table->version();
  const bool dbase = formats == MemoFormats::kFoxProAndDbase && has_dbase_memo(version);
  const std::string extension = dbase ? "dbt" : memo_extension(path);
  const std::string memo_path = sibling_file(path, extension);
  if (memo_path.empty()) {
    *status = Status(kGenOpen, kSubOpen, platform::kErrFileNotFound,
                     base_name(path) + "." + extension, "open", "memo file not found");
    return nullptr;
  }
  std::unique_ptr<ByteSource> memo_source =
      open_file_source(memo_path, read_write, exclusive, status);
  if (!memo_source) return nullptr;
  std::unique_ptr<MemoFile> memo =
      dbase ? MemoFile::open_dbase(std::move(memo_source), version == kVersionDbase4Memo, status)
            : MemoFile::open(std::move(memo_source), status);
  if (!memo) return nullptr;
  table->attach_memo(std::move(memo));
  return table;
}

}  // namespace kx::tables::dbf
