#include "tables/dbf/table_files.h"

#include "platform/file_names.h"
#include "runtime/text/ascii.h"
#include "tables/dbf/dbf_format.h"
#include "tables/open_file.h"

namespace kx::tables::dbf {

size_t leaf_start(std::string_view path) {
  const size_t slash = path.find_last_of("/\\:");
  return slash == std::string_view::npos ? 0 : slash + 1;
}

std::string base_name(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < leaf_start(path)) return path;
  return path.substr(0, dot);
}

std::string sibling_file(const std::string& path, const std::string& extension) {
  return platform::existing_file(sibling_name(path, extension));
}

std::string sibling_name(const std::string& path, const std::string& extension) {
  const std::string base = base_name(path);
  const std::string own = path.substr(base.size());
  const bool upper = !own.empty() && own == ascii_upper(own) && own != ascii_lower(own);
  return base + "." + (upper ? ascii_upper(extension) : extension);
}

std::string memo_extension(const std::string& path) {
  const std::string base = base_name(path);
  const std::string extension =
      path.size() > base.size() ? ascii_lower(path.substr(base.size())) : "";
  return extension == ".dbc" ? "dct" : "fpt";
}

std::unique_ptr<Table> open_table(const std::string& path, const platform::OpenOptions& options,
                                  Status* status, MemoFormats formats) {
  std::unique_ptr<platform::RandomAccessFile> file =
      open_file(path, options, NameMatch::kAnyCase, status);
  if (!file) return nullptr;
  std::unique_ptr<Table> table = Table::open(std::move(file), nullptr, status);
  if (!table || !table->layout().has_memo_fields()) return table;
  const uint8_t version = table->version();
  const bool dbase = formats == MemoFormats::kFoxProAndDbase && has_dbase_memo(version);
  const std::string extension = dbase ? "dbt" : memo_extension(path);
  std::unique_ptr<platform::RandomAccessFile> memo_file =
      open_file(sibling_name(path, extension), options, NameMatch::kAnyCase, status);
  if (!memo_file) {
    if (status->oscode() == platform::kErrFileNotFound) {
      *status = Status(kGenOpen, kSubOpen, platform::kErrFileNotFound,
                       base_name(path) + "." + extension, "open", "memo file not found");
    }
    return nullptr;
  }
  std::unique_ptr<MemoFile> memo =
      dbase ? MemoFile::open_dbase(std::move(memo_file), version == kVersionDbase4Memo, status)
            : MemoFile::open(std::move(memo_file), status);
  if (!memo) return nullptr;
  table->attach_memo(std::move(memo));
  return table;
}

}  // namespace kx::tables::dbf
