#include "kv3dump/opened_table.h"

#include "platform/file_names.h"
#include "runtime/text/ascii.h"
#include "tables/dbf/table_files.h"
#include "tables/expr/key_typer.h"
#include "tables/expr/table_record.h"
#include "tables/open_file.h"

namespace kx::kv3dump {
namespace {

namespace cdx = tables::cdx;
namespace dbf = tables::dbf;
using tables::Status;

std::string extension_of(const std::string& path) {
  const std::string base = dbf::base_name(path);
  return path.size() > base.size() ? ascii_lower(path.substr(base.size() + 1)) : "";
}

std::string os_error_text(uint32_t code) {
  switch (code) {
    case platform::kErrFileNotFound:
      return "no such file";
    case platform::kErrPathNotFound:
      return "no such folder";
    case platform::kErrAccessDenied:
      return "access denied";
    case platform::kErrSharingViolation:
    case platform::kErrLockViolation:
      return "the file is locked by another program";
    default:
      return "OS error " + std::to_string(code);
  }
}

// A file that is no table but opens as a compound index.
bool is_compound_index(const std::string& path) {
  Status status;
  std::unique_ptr<platform::RandomAccessFile> file =
      tables::open_file(path, {}, tables::NameMatch::kAnyCase, &status);
  return file && cdx::IndexFile::open(std::move(file), &status) != nullptr;
}

std::unique_ptr<cdx::IndexFile> open_index(const std::string& path,
                                           const std::vector<tables::expr::FieldInfo>& fields,
                                           Status* status) {
  std::unique_ptr<platform::RandomAccessFile> file =
      tables::open_file(path, {}, tables::NameMatch::kAnyCase, status);
  if (!file) return nullptr;
  return cdx::IndexFile::open(std::move(file), status, tables::expr::key_typer(fields));
}

}  // namespace

std::string OpenedTable::index_problem() const {
  const std::string& detail = index_error.description();
  return "index " + index_path + " cannot be read: " +
         (index_error.oscode() != 0 ? os_error_text(index_error.oscode()) : detail);
}

std::string read_problem(const std::string& path, const Status& status) {
  std::string out = "cannot read " + path + ": ";
  if (!status.filename().empty() && status.filename() != path) out += status.filename() + ": ";
  out += status.description();
  if (status.oscode() != 0) out += " (" + os_error_text(status.oscode()) + ")";
  return out;
}

bool open_table(const std::string& path, int code_page, OpenedTable* out, std::string* problem) {
  switch (platform::path_kind_any_case(path)) {
    case platform::PathKind::kMissing:
      return *problem = "no such file: " + path, false;
    case platform::PathKind::kDirectory:
      return *problem = "is a directory: " + path, false;
    case platform::PathKind::kFile:
      break;
  }
  const std::string extension = extension_of(path);
  if (extension == "cdx" || extension == "idx" || extension == "dcx") {
    return *problem = path + " is an index file; give its table", false;
  }
  if (extension == "fpt" || extension == "dbt" || extension == "dct") {
    return *problem = path + " is a memo file; give its table", false;
  }
  Status status;
  std::unique_ptr<dbf::Table> table =
      dbf::open_table(path, {}, &status, dbf::MemoFormats::kFoxProAndDbase);
  if (!table) {
    if (status.gencode() == kGenCorruption && status.filename() == path &&
        is_compound_index(path)) {
      return *problem = path + " is an index file; give its table", false;
    }
    return *problem = read_problem(path, status), false;
  }
  const CodePageChoice choice = code_page_of_mark(table->layout().prefix.code_page);
  out->code_page = code_page != 0 ? find_code_page(code_page) : choice.page;
  out->code_page_note = code_page != 0 ? "" : choice.note;
  out->names = container_names(path, *table);
  out->fields = tables::expr::fields_of(*table);
  for (size_t i = 0; i < out->names.long_names.size(); ++i) {
    out->fields[i].name = out->names.long_names[i];
  }
  out->index_path = dbf::sibling_file(path, extension == "dbc" ? "dcx" : "cdx");
  std::unique_ptr<cdx::IndexFile> index;
  if (!out->index_path.empty()) index = open_index(out->index_path, out->fields, &out->index_error);
  out->area = tables::WorkArea::adopt(std::move(table), std::move(index), "KV3DUMP", &status);
  if (!out->area) return *problem = read_problem(path, status), false;
  return true;
}

}  // namespace kx::kv3dump
