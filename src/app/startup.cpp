#include "app/startup.h"

#include <memory>

#include "app/dbkontro.h"
#include "app/drive_mapping.h"
#include "app/numeric_errors.h"
#include "app/table_names.h"
#include "errors/error_page.h"
#include "errors/json_objects.h"
#include "platform/file_names.h"
#include "platform/platform.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/activation.h"
#include "runtime/process/settings.h"
#include "runtime/text/text.h"
#include "table_functions/table_functions.h"

namespace kx {
namespace {

constexpr const char* kLocationFile = "KELVARO.DIR";
constexpr const char* kLocationAlias = table_names::kLocation;
constexpr const char* kControlAlias = table_names::kControl;
constexpr const char* kTableExtension = ".KV3";
constexpr size_t kCutLength = 6;  // the length of "KV3DB\" and of "tarvo\"

std::string location_field(const char* field) {
  const Value v = field_get(kLocationAlias, field);
  return v.is_string() ? v.as_string() : value_text(v);
}

bool is_network_path(const std::string& folder) { return folder.compare(0, 2, "\\\\") == 0; }

// The data folder: the location's folder with the data folder name appended
// unless it already ends with it (letter case counts).
DataFolder data_folder(std::string folder, DataFolderRule rule) {
  const std::string name = data_folder_name();
  const bool append = folder.size() < name.size() ||
                      folder.compare(folder.size() - name.size(), name.size(), name) != 0;
  if (append) folder += name;
  return {folder, rule, append};
}

void create_control_object(const std::string& folder, const std::string& program_folder) {
  control_object() = std::make_shared<DBKONTRO>();
  DBKONTRO& control = *control_object();
  control.CDATAFOLDER = cut_last_six(folder, "data folder");
  control.CWEBFOLDER = cut_last_six(program_folder, "program folder");
  control.LUSERVALID = false;
}

// What the program does at each step: the observer it watches with when
// the caller gives none.
StartupObserver& program_steps() {
  static StartupObserver steps;
  return steps;
}

[[noreturn]] void end_with_state(StartupObserver& observer, uint16_t code,
                                 const std::string& text) {
  observer.state(code, text);
  ERRORSTATE(code, text);
}

}  // namespace

std::string StartupObserver::program_folder() { return platform::program_folder(); }

std::string cut_last_six(const std::string& text, const char* what) {
  if (text.size() < kCutLength) {
    raise_unsigned_overflow("STARTPRE2", std::string("length of the ") + what + " - 6");
    return "";
  }
  return text.substr(0, text.size() - kCutLength);
}

std::string data_folder_name() { return std::string("KV3DB") + platform::path_separator(); }

void apply_startup_settings() {
  set_exclusive(false);
  set_international(InternationalMode::kFixed);
  set_ansi(false);
  set_century(true);
  set_fixed(true);
  set_digits(20);
  set_float_delta(0.00000001);
  set_date_format("DD/MM/YYYY");
  set_decimal_separator(',');
  set_thousands_separator('.');
  set_default_driver("DBFCDX");
  install_error_handler([](const Value& error) -> Value { MYERRORHANDLER(error); });
}

bool VOFILE(const std::string& path) {
  Activation activation("VOFILE", kModuleFunctions);
  return platform::path_kind_any_case(trim_right(path)) == platform::PathKind::kFile;
}

std::string VORETFULLPATH(const std::string& folder) {
  Activation activation("VORETFULLPATH", kModuleFunctions);
  if (trim_right(folder).empty()) return "";
  activation.at(2);
  const char separator = platform::path_separator();
  return folder.back() == separator ? folder : folder + separator;
}

LocationTable find_location_table(const std::string& program_folder) {
  const std::string path = program_folder + kLocationFile;
  return {path, VOFILE(path)};
}

LocationFields read_location_fields() {
  LocationFields location;
  location.cur_dir = location_field("CUR_DIR");
  location.network = is_network_path(location.cur_dir);
  if (location.network) {
    location.map_drv = trim_right(location_field("MAP_DRV"));
    // PASSWORD before USER_NAME: with both missing, the error page names PASSWORD.
    location.password = trim_right(location_field("PASSWORD"));
    location.user_name = trim_right(location_field("USER_NAME"));
  }
  return location;
}

DataFolder build_data_folder(const LocationFields& location) {
  if (location.network) {
    return data_folder(VORETFULLPATH(location.map_drv), DataFolderRule::kNetworkDrive);
  }
  const std::string folder = VORETFULLPATH(trim_right(location.cur_dir));
  return data_folder(
      folder, folder.empty() ? DataFolderRule::kCurrentFolder : DataFolderRule::kLocalFolder);
}

ControlTable find_control_table(const std::string& data_folder) {
  const std::string path = data_folder + kControlAlias + kTableExtension;
  return {path, VOFILE(path)};
}

bool STARTPRE2(const std::vector<std::string>& tables, StartupObserver* observer) {
  StartupObserver& o = observer ? *observer : program_steps();
  Activation activation("STARTPRE2", kModuleStart);
  apply_startup_settings();
  o.settings_applied();
  activation.at(2);
  const std::string program_folder = o.program_folder();
  const LocationTable location = find_location_table(program_folder);
  o.location_table(location);
  if (!location.exists) end_with_state(o, 1, "");
  activation.at(3);
  const bool opened = DBUSEAREA(true, "", location.path, kLocationAlias, true, true);
  o.location_opened(opened);
  if (!opened) end_with_state(o, 2, kLocationFile);
  activation.at(4);
  const LocationFields fields = read_location_fields();
  o.location_fields(fields);
  if (fields.network && o.connect_drive(fields)) {
    _MAPPINGDRIVE(trim_right(fields.cur_dir), fields.map_drv, fields.user_name, fields.password);
  }
  const DataFolder data = build_data_folder(fields);
  o.data_folder(data);
  const std::string& folder = data.path;
  activation.at(7);
  aliased(kLocationAlias, [] { db_close_area(); });
  activation.at(8);
  create_control_object(folder, program_folder);
  activation.at(10);
  const ControlTable control = find_control_table(folder);
  o.control_table(control);
  if (!control.exists) end_with_state(o, 3, control.path);
  activation.at(11);
  o.table_opening(kControlAlias, control.path);
  const bool control_opened = DBUSEAREA(true, "", control.path, kControlAlias, true, true);
  o.table_opened(kControlAlias, control_opened);
  if (!control_opened) end_with_state(o, 2, std::string(kControlAlias) + kTableExtension);
  activation.at(12);
  for (const std::string& name : tables) {
    const std::string path = folder + name + kTableExtension;
    o.table_opening(name, path);
    const bool table_opened = DBUSEAREA(true, "", path, name, true, o.read_only());
    o.table_opened(name, table_opened);
    if (!table_opened) {
      db_close_all();
      end_with_state(o, 2, name + kTableExtension);
    }
  }
  activation.at(13);
  o.control_record();
  ASSIGNDBKONTRO(folder);
  activation.at(14);
  return true;
}

}  // namespace kx
