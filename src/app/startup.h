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

// Prepares everything for the report; each failure it tests for itself ends
// the process with a JSON state object. Returns true.
bool STARTPRE2(const std::vector<std::string>& tables);

// True when path (trailing blanks removed) names an existing entry that is
// not a directory.
bool VOFILE(const std::string& path);

// "" for an empty or blank folder, else the folder with one separator
// appended unless it already ends with one.
std::string VORETFULLPATH(const std::string& folder);

}  // namespace kx

#endif  // KX_APP_STARTUP_H_
