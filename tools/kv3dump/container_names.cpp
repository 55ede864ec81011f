#include "kv3dump/container_names.h"

#include <cstdint>
#include <memory>

#include "platform/file_names.h"
#include "runtime/text/ascii.h"
#include "runtime/text/text.h"
#include "tables/dbf/dbf_format.h"
#include "tables/dbf/table_files.h"
#include "tables/open_file.h"

namespace kx::kv3dump {
namespace {

namespace dbf = tables::dbf;
using tables::Status;

// A container is a table of objects: each row an object of a type (Database,
// Table, Field, Index, ...) under a parent object.
struct ContainerObject {
  int32_t id = 0;
  int32_t parent = 0;
  std::string type;
  std::string name;
};

// The container name in the table's backlink, the 263 bytes before its
// first record; empty for a free table.
std::string backlink(const std::string& path, const dbf::Table& table) {
  Status status;
  std::unique_ptr<platform::RandomAccessFile> file =
      tables::open_file(path, {}, tables::NameMatch::kAnyCase, &status);
  const uint16_t header_length = table.layout().prefix.header_length;
  std::string bytes(dbf::kBacklinkSize, '\0');
  size_t got = 0;
  if (!file || header_length < dbf::kBacklinkSize ||
      !file->read_at(header_length - dbf::kBacklinkSize, bytes.data(), bytes.size(), &got).ok() ||
      got != bytes.size()) {
    return "";
  }
  return trim(bytes.substr(0, bytes.find('\0')));
}

// A container names a table after its file, with the file name's blanks as
// they are or made underscores ("time card hours.dbf" is "time_card_hours").
bool same_object_name(std::string_view stored, std::string_view file_name) {
  if (stored.size() != file_name.size()) return false;
  for (size_t i = 0; i < stored.size(); ++i) {
    const char a = stored[i] == ' ' ? '_' : ascii_upper(stored[i]);
    const char b = file_name[i] == ' ' ? '_' : ascii_upper(file_name[i]);
    if (a != b) return false;
  }
  return true;
}

int32_t integer_of(const Value& v) { return v.kind() == Kind::kInteger ? v.as_integer() : 0; }

std::string text_of(const Value& v) { return v.kind() == Kind::kString ? trim(v.as_string()) : ""; }

// The live objects of the container; only its plain fields are read, so its
// memo file is not needed.
bool read_objects(const std::string& path, std::vector<ContainerObject>* objects,
                  std::string* problem) {
  Status status;
  std::unique_ptr<platform::RandomAccessFile> file =
      tables::open_file(path, {}, tables::NameMatch::kAnyCase, &status);
  std::unique_ptr<dbf::Table> container =
      file ? dbf::Table::open(std::move(file), nullptr, &status) : nullptr;
  if (container == nullptr) return *problem = status.description(), false;
  const int columns[] = {
      container->layout().find_field("OBJECTID"), container->layout().find_field("PARENTID"),
      container->layout().find_field("OBJECTTYPE"), container->layout().find_field("OBJECTNAME")};
  for (const int c : columns) {
    if (c < 0) return *problem = "it has no OBJECTID, PARENTID, OBJECTTYPE or OBJECTNAME", false;
  }
  for (uint32_t recno = 1; recno <= container->record_count(); ++recno) {
    dbf::Record record;
    status = container->read_record(recno, &record);
    if (!status.ok()) return *problem = status.description(), false;
    if (record.deleted()) continue;
    Value v[4];
    for (int i = 0; i < 4; ++i) container->value(record, static_cast<size_t>(columns[i]), &v[i]);
    objects->push_back({integer_of(v[0]), integer_of(v[1]), text_of(v[2]), text_of(v[3])});
  }
  return true;
}

}  // namespace

ContainerNames container_names(const std::string& table_path, const dbf::Table& table) {
  ContainerNames out;
  if (!dbf::has_backlink(table.version())) return out;
  const std::string link = backlink(table_path, table);
  if (link.empty()) return out;
  const std::string folder = table_path.substr(0, dbf::leaf_start(table_path));
  out.container = platform::existing_file(folder + link.substr(dbf::leaf_start(link)));
  if (out.container.empty()) {
    out.note = "the table belongs to container " + link + ", which is not beside it";
    return out;
  }
  std::vector<ContainerObject> objects;
  std::string problem;
  if (!read_objects(out.container, &objects, &problem)) {
    out.note = "container " + out.container + " cannot be read: " + problem;
    return out;
  }
  const std::string table_name = dbf::base_name(table_path.substr(dbf::leaf_start(table_path)));
  const ContainerObject* owner = nullptr;
  for (const bool exact : {true, false}) {
    for (const ContainerObject& o : objects) {
      if (owner == nullptr && ascii_equal_ignoring_case(o.type, "Table") &&
          (exact ? ascii_equal_ignoring_case(o.name, table_name)
                 : same_object_name(o.name, table_name))) {
        owner = &o;
      }
    }
  }
  if (owner == nullptr) {
    out.note = "container " + out.container + " has no table " + table_name;
    return out;
  }
  std::vector<std::string> names;
  for (const ContainerObject& o : objects) {
    if (o.parent == owner->id && ascii_equal_ignoring_case(o.type, "Field"))
      names.push_back(o.name);
  }
  if (names.size() != table.fields().size()) {
    out.note = "container " + out.container + " lists " + std::to_string(names.size()) +
               " fields for the table's " + std::to_string(table.fields().size());
    return out;
  }
  out.long_names = std::move(names);
  return out;
}

}  // namespace kx::kv3dump
