#include "kv3dump/installation_words.h"

#include <cstdio>

#include "app/table_names.h"
#include "platform/folders.h"
#include "platform/platform.h"
#include "runtime/text/ascii.h"

namespace kx::kv3dump {
namespace {

using Step = LookupTrace::Step;

std::string count_of(size_t n, const char* thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

std::string tag_findings(const TagCheck& t) {
  if (!t.read_error.empty()) return "cannot be read completely: " + t.read_error;
  return "disagree with the records: " + std::to_string(t.missing) + " missing, " +
         std::to_string(t.extra) + " extra, " + std::to_string(t.different) + " different";
}

}  // namespace

std::string iso_date(const Date& date) {
  if (date.empty()) return "";
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year(), date.month(), date.day());
  return text;
}

std::string header_date(const tables::dbf::HeaderPrefix& prefix) {
  const int year = prefix.update_year + (prefix.update_year < 80 ? 2000 : 1900);
  return iso_date(Date::from_ymd(year, prefix.update_month, prefix.update_day));
}

const char* step_words(Step step) {
  switch (step) {
    case Step::kHome:
      return "home";
    case Step::kExactDay:
      return "exact day";
    case Step::kMonth:
      return "month";
    case Step::kYear:
      return "year";
    case Step::kPreviousYear:
      return "previous year";
  }
  return "";
}

const char* step_key(Step step) {
  switch (step) {
    case Step::kExactDay:
      return "exact_day";
    case Step::kPreviousYear:
      return "previous_year";
    default:
      return step_words(step);
  }
}

std::string why_no_rate(const LookupTrace& trace) {
  const bool found = !trace.seeks.empty() && trace.seeks.back().found;
  std::string why;
  if (trace.step == Step::kMonth) {
    why =
        "the active date's month has rates, but the earliest is dated after the active date "
        "(earlier months are not looked at)";
  } else if (trace.step == Step::kYear) {
    why =
        "no rate in the active date's month, and the earliest of its year is dated after the "
        "active date";
  } else if (trace.step == Step::kPreviousYear && !found) {
    why =
        "no rate in the active date's month or year, nor in the year before (older rates are "
        "never used)";
  } else {
    why = "the record the index led to is not dated on or before the active date";
  }
  if (trace.skipped > 0) why += "; " + count_of(trace.skipped, "later rate") + " passed over";
  return why;
}

std::string folder_hint(const InstallationCheck& c) {
  if (!c.fields || !c.data_folder) return "";
  if (!c.fields->cur_dir.empty() && c.fields->cur_dir[0] == ' ') {
    return "; CUR_DIR begins with blanks, which are kept";
  }
  const std::string& path = c.data_folder->path;
  const std::string name = "KV3DB" + std::string(1, platform::path_separator());
  const size_t given = path.size() - name.size();
  if (c.data_folder->name_appended && given >= name.size() &&
      ascii_upper(path.substr(given - name.size(), name.size())) == name) {
    return "; CUR_DIR ends in KV3DB in other letters, so KV3DB was appended (write it in "
           "capitals or leave it out)";
  }
  return "";
}

std::string rule_words(const DataFolder& folder) {
  const std::string appended =
      folder.name_appended ? "; KV3DB appended" : "; it already ends in KV3DB";
  switch (folder.rule) {
    case DataFolderRule::kNetworkDrive:
      return "CUR_DIR is a network path: the program connects MAP_DRV to it and uses MAP_DRV "
             "(this check connects nothing)" +
             appended;
    case DataFolderRule::kCurrentFolder:
      return "CUR_DIR is empty: KV3DB below the web server's current folder (this check used "
             "its own, " +
             current_folder() + ")";
    case DataFolderRule::kLocalFolder:
      break;
  }
  return "CUR_DIR names a local folder" + appended;
}

std::string cur_dir_empty_problem() {
  return "CUR_DIR is empty (or KELVARO.DIR has no record), so the data folder is KV3DB below the "
         "web server's current folder; below this check's current folder (" +
         current_folder() + ") M_KONTRO.KV3 is not found";
}

std::string tag_missing_problem(const TagCheck& t) {
  std::string problem = t.table + " has no tag " + t.tag + " that can give an order";
  if (!t.index_found) problem += " (it has no index file)";
  problem += "; the program prints the error object CANNOT SET ORDER TO \"" + t.tag + "\"";
  if (t.tag == table_names::kRateTag) problem += " at the first currency other than ID 1";
  return problem + "; run Create Indexes";
}

std::string report_problem(const std::string& cause, const std::string& id,
                           const std::string& error) {
  const std::string where =
      id.empty() ? "while reading the currencies" : "at the currency with ID " + id;
  std::string problem = "the program ends with the error page " + where + ": " + error;
  if (cause == "active_date_empty") {
    problem =
        "the active date is empty (the control table has no record, or AKTIF is blank), "
        "so the lookup cannot step back a year; " +
        problem;
  } else if (cause == "index_damaged") {
    problem += "; run Create Indexes";
  }
  return problem;
}

std::string currency_label(const CurrencyCheck& cur) {
  return "ID " + cur.id + " " + (cur.code.empty() ? "(no code)" : cur.code) + " (" +
         (cur.name.empty() ? "no name" : cur.name) + ")";
}

std::vector<std::string> report_warnings(const InstallationCheck& c) {
  std::vector<std::string> warnings;
  // The point-of-sale application's own reads count deleted records as well,
  // until the table is packed; the program does the same.
  constexpr const char* kStillCounts =
      ", and still counts: deleted records count until the table is packed";
  for (const CurrencyCheck& cur : c.currencies) {
    if (cur.deleted) {
      warnings.push_back(currency_label(cur) + " is marked deleted in M_MAUANG" + kStillCounts +
                         "; the report shows the currency");
    }
    if (cur.rate_deleted) {
      warnings.push_back("the rates of " + currency_label(cur) + " come from record " +
                         std::to_string(cur.recno) + " of M_KURSMA, which is marked deleted" +
                         kStillCounts);
    }
  }
  if (c.data_folder && c.data_folder->rule == DataFolderRule::kCurrentFolder) {
    warnings.push_back(
        "CUR_DIR is empty: the data folder depends on the web server's current folder, which "
        "this check cannot know; set CUR_DIR");
  }
  for (const TagCheck& t : c.tags) {
    if (!t.present) {
      warnings.push_back(t.table + " has no tag " + t.tag +
                         ": the report fails as soon as a currency other than ID 1 is added; "
                         "run Create Indexes");
    } else if (!t.read_error.empty() || (t.checked && !t.agrees())) {
      warnings.push_back("the entries of tag " + t.tag + " on " + t.table + " " + tag_findings(t) +
                         "; rates may be wrong; run Create Indexes");
    }
  }
  return warnings;
}

std::string current_folder() {
  const std::string folder = platform::current_folder();
  return folder.empty() ? std::string("unknown") : folder;
}

}  // namespace kx::kv3dump
