// Start-up: the conversion settings, the location table, the data folder,
// the control object and the opens of the tables the report needs.
#ifndef KX_APP_STARTUP_H_
#define KX_APP_STARTUP_H_

#include <string>
#include <vector>

namespace kx {

// The folder that holds the tables always ends with this name and separator.
std::string data_folder_name();

// Applies the twelve process-wide settings in their order.
void apply_startup_settings();

// text without its last six characters; a shorter text raises the numeric
// overflow of that unsigned length computation and gives "".
std::string cut_last_six(const std::string& text, const char* what);

struct LocationTable;
struct LocationFields;
struct DataFolder;
struct ControlTable;

// Watches start-up step by step, for a caller that retraces the program's
// run without its effects (the installation check). Each hook is called
// when its step has found what it names; a hook may end the run with
// break_out(). Where a hook's answer changes what start-up does, the
// program's answer is the default. The program itself watches with none.
class StartupObserver {
 public:
  virtual ~StartupObserver() = default;
  // The settings are in place (the program's error handler among them).
  virtual void settings_applied() {}
  // The folder the program runs from, ending with a separator.
  virtual std::string program_folder();
  virtual void location_table(const LocationTable&) {}
  virtual void location_opened(bool) {}
  virtual void location_fields(const LocationFields&) {}
  // Whether the network drive is connected now (fields.network only).
  virtual bool connect_drive(const LocationFields&) { return true; }
  virtual void data_folder(const DataFolder&) {}
  virtual void control_table(const ControlTable&) {}
  // Whether the tables the report reads are opened without write access.
  virtual bool read_only() const { return false; }
  virtual void table_opening(const std::string& /*alias*/, const std::string& /*path*/) {}
  virtual void table_opened(const std::string& /*alias*/, bool /*opened*/) {}
  // The control record is about to be read.
  virtual void control_record() {}
  // Start-up is about to print this state object and end the process.
  virtual void state(uint16_t /*code*/, const std::string& /*text*/) {}
};

// Prepares everything for the report; each failure it tests for itself ends
// the process with a JSON state object. Returns true. observer, when given,
// watches each step.
bool STARTPRE2(const std::vector<std::string>& tables, StartupObserver* observer = nullptr);

// The steps of STARTPRE2 that find the data: each says what it found and
// prints nothing, ends nothing and connects nothing.

// The location table: program_folder (ending with a separator) + KELVARO.DIR,
// and whether VOFILE finds it.
struct LocationTable {
  std::string path;
  bool exists = false;
};
LocationTable find_location_table(const std::string& program_folder);

// The fields of the open location table (alias KELVARO) that start-up reads.
// cur_dir is as stored; the others, trailing blanks removed, are read only
// when cur_dir is a network path. A missing field raises a runtime error.
struct LocationFields {
  std::string cur_dir;
  bool network = false;  // cur_dir begins with two backslashes
  std::string map_drv;
  std::string user_name;
  std::string password;
};
LocationFields read_location_fields();

enum class DataFolderRule {
  kNetworkDrive,   // a network CUR_DIR: MAP_DRV, connected to it, holds the data folder
  kLocalFolder,    // CUR_DIR names the folder
  kCurrentFolder,  // CUR_DIR is blank: a folder relative to the working directory
};

// The data folder (ending with data_folder_name()), the rule that gave it,
// and whether that name had to be appended.
struct DataFolder {
  std::string path;
  DataFolderRule rule = DataFolderRule::kLocalFolder;
  bool name_appended = false;
};
DataFolder build_data_folder(const LocationFields& location);

// The control table: data_folder + M_KONTRO.KV3, and whether VOFILE finds it.
struct ControlTable {
  std::string path;
  bool exists = false;
};
ControlTable find_control_table(const std::string& data_folder);

// True when path (trailing blanks removed) names an existing entry that is
// not a directory.
bool VOFILE(const std::string& path);

// "" for an empty or blank folder, else the folder with one separator
// appended unless it already ends with one.
std::string VORETFULLPATH(const std::string& folder);

}  // namespace kx

#endif  // KX_APP_STARTUP_H_
