// Plain words of the installation check: dates, the lookup's steps, and
// what a cause or a warning means for the administrator.
#ifndef KX_TOOLS_KV3DUMP_INSTALLATION_WORDS_H_
#define KX_TOOLS_KV3DUMP_INSTALLATION_WORDS_H_

#include <string>
#include <vector>

#include "app/rate_lookup.h"
#include "kv3dump/installation_check.h"
#include "runtime/values/date.h"
#include "tables/dbf/header.h"

namespace kx::kv3dump {

// YYYY-MM-DD; empty for the empty date.
std::string iso_date(const Date& date);
// The last update date of a table header; empty when it holds no valid date.
// A year byte below 80 counts from 2000, any other from 1900.
std::string header_date(const tables::dbf::HeaderPrefix& prefix);

// "exact day", "month", "year", "previous year" ("home" for ID 1).
const char* step_words(LookupTrace::Step step);
// The same as one word for JSON: "exact_day", "previous_year", ...
const char* step_key(LookupTrace::Step step);
// Why a lookup that chose no record found none.
std::string why_no_rate(const LookupTrace& trace);

// What CUR_DIR holds that puts the data folder elsewhere than meant: leading
// blanks, KV3DB in other letters ("; ..." or empty).
std::string folder_hint(const InstallationCheck& check);
// The data folder rule in words.
std::string rule_words(const DataFolder& folder);
std::string cur_dir_empty_problem();
std::string tag_missing_problem(const TagCheck& tag);
// A runtime error met while the report is written: at the currency with
// that ID (empty: between currencies), error its text.
std::string report_problem(const std::string& cause, const std::string& id,
                           const std::string& error);
// "ID 2 USD (US Dollar)", saying "(no code)" or "no name" for a blank one.
std::string currency_label(const CurrencyCheck& currency);
// What needs attention although the report would be complete.
std::vector<std::string> report_warnings(const InstallationCheck& check);

// The working directory, against which a relative data folder resolves.
std::string current_folder();

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_INSTALLATION_WORDS_H_
