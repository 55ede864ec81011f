#include "kv3dump/installation_report.h"

#include <algorithm>

#include "app/table_names.h"
#include "kv3dump/installation_words.h"
#include "kv3dump/record_text.h"
#include "platform/utf8_text.h"
#include "runtime/text/text.h"

namespace kx::kv3dump {
namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// Paths, and the causes that name them, as UTF-8: they hold the bytes the
// system gave (the ANSI code page on Windows), where table text is UTF-8
// already.
std::string shown(const std::string& system_text) {
  return platform::system_text_to_utf8(system_text);
}
std::string yes_no(bool b) { return b ? "true" : "false"; }

// A number as the report writes it stays a JSON number.
std::string json_number(const std::string& text) {
  const bool number = !text.empty() && text.find_first_not_of("0123456789.-") == std::string::npos;
  return number ? text : json_text(text);
}

const char* outcome_key(Outcome o) {
  switch (o) {
    case Outcome::kReport:
      return "report";
    case Outcome::kStateObject:
      return "state_object";
    case Outcome::kErrorObject:
      return "error_object";
    case Outcome::kErrorPage:
      return "error_page";
    case Outcome::kNothing:
      return "no_program";
  }
  return "";
}

const char* outcome_words(Outcome o) {
  switch (o) {
    case Outcome::kStateObject:
      return "a JSON state object";
    case Outcome::kErrorObject:
      return "a JSON error object after the beginning of the report";
    case Outcome::kErrorPage:
      return "the HTML error page";
    case Outcome::kNothing:
      return "nothing, since it is not there to run";
    default:
      return "a complete report";
  }
}

bool walked(const InstallationCheck& c) {
  return c.active_date && std::any_of(c.tags.begin(), c.tags.end(), [](const TagCheck& t) {
           return t.table == table_names::kCurrencies && t.present;
         });
}

std::string program_line(const ProgramCheck& p) {
  std::string out = "Program: " + p.name;
  if (!p.found) return out + ": not in the program folder\n";
  if (!p.version.empty()) out += ", version " + p.version;
  out += ", " + std::to_string(p.size) + " bytes";
  return out + (p.modified.empty() ? "" : ", modified " + p.modified) + "\n";
}

// Text of the location table, as UTF-8.
std::string location_text(const InstallationCheck& c, const std::string& bytes) {
  return c.location_page->to_utf8(bytes);
}

std::string location_lines(const InstallationCheck& c) {
  std::string out = "Location table: " + shown(c.location.path) + ": ";
  if (!c.location.exists) return out + "not found\n";
  out += c.location_opened ? "found, opened\n" : "found, not opened\n";
  if (!c.fields) return out;
  out += "  CUR_DIR: " + quoted(location_text(c, trim_right(c.fields->cur_dir))) + "\n";
  if (!c.fields->network) {
    return out + "  MAP_DRV, USER_NAME and PASSWORD: not read (CUR_DIR is not a network path)\n";
  }
  return out + "  MAP_DRV: " + quoted(location_text(c, c.fields->map_drv)) +
         ", USER_NAME: " + quoted(location_text(c, c.fields->user_name)) +
         ", PASSWORD: " + quoted(masked_password(c.fields->password)) + "\n";
}

std::string table_line(const TableCheck& t) {
  std::string out = "  " + t.name + ": " + shown(t.path) + ": ";
  if (!t.found && !t.opened) return out + "not found\n";
  if (!t.opened) return out + "found, not opened\n";
  out += "found, opened, " + std::to_string(t.records) + (t.records == 1 ? " record" : " records");
  return out + (t.last_update.empty() ? "" : ", last update " + t.last_update) + "\n";
}

std::string tag_line(const TagCheck& t) {
  std::string out = "  " + t.tag + " on " + t.table + ": ";
  if (!t.present && t.key.empty()) {
    return out + (t.index_found ? "missing\n" : "missing (the table has no index file)\n");
  }
  out += (t.present ? "present, key " : "cannot give an order, key ") + t.key;
  if (!t.for_condition.empty()) out += " FOR " + t.for_condition;
  if (!t.read_error.empty()) return out + "; cannot be read completely: " + t.read_error + "\n";
  if (!t.checked) return out + "; entries not checked: " + t.not_checked + "\n";
  if (t.agrees())
    return out + "; entries agree with the " + std::to_string(t.records) + " records\n";
  return out + "; entries: " + std::to_string(t.missing) + " missing, " + std::to_string(t.extra) +
         " extra, " + std::to_string(t.different) + " different\n";
}

std::string currency_line(const CurrencyCheck& cur) {
  std::string out =
      "  " + currency_label(cur) + (cur.deleted ? ", deleted in M_MAUANG" : "") + ": ";
  if (!cur.error.empty()) return out + "the run ends here: " + cur.error + "\n";
  if (!cur.trace.chosen) {
    return out + "none: " + cur.why_none + "; the report shows buy " + cur.buy + ", sell " +
           cur.sell + "\n";
  }
  return out + step_words(cur.trace.step) + ", record " + std::to_string(cur.recno) +
         (cur.rate_deleted ? " (deleted)" : "") + " dated " + cur.date + ": buy " + cur.buy +
         ", sell " + cur.sell + "\n";
}

std::string result_lines(const InstallationCheck& c) {
  std::string out;
  for (const std::string& w : c.warnings) out += "Warning: " + w + "\n";
  if (c.outcome == Outcome::kReport) {
    return out + "Result: the program would print a complete report" +
           (c.warnings.empty() ? ".\n" : ", but see the warnings.\n");
  }
  out += "Result: the program would not print a complete report; it prints " +
         std::string(outcome_words(c.outcome)) + ".\n  Cause (" + c.cause +
         "): " + shown(c.problem) + ".\n";
  return c.output.empty() ? out : out + "  Output: " + shown(c.output) + "\n";
}

std::string json_list(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i];
  return out + "]";
}

std::string program_json(const ProgramCheck& p) {
  return "{\"file\":" + json_text(p.name) + ",\"found\":" + yes_no(p.found) +
         ",\"version\":" + json_text(p.version) + ",\"size\":" + std::to_string(p.size) +
         ",\"modified\":" + json_text(p.modified) + "}";
}

std::string location_json(const InstallationCheck& c) {
  std::string out = "{\"file\":" + json_text(shown(c.location.path)) +
                    ",\"found\":" + yes_no(c.location.exists) +
                    ",\"opened\":" + yes_no(c.location_opened) + ",\"fields\":";
  if (!c.fields) return out + "null}";
  const LocationFields& f = *c.fields;
  out += "{\"CUR_DIR\":" + json_text(location_text(c, trim_right(f.cur_dir)));
  if (f.network) {
    out += ",\"MAP_DRV\":" + json_text(location_text(c, f.map_drv)) +
           ",\"USER_NAME\":" + json_text(location_text(c, f.user_name)) +
           ",\"PASSWORD\":" + json_text(masked_password(f.password));
  }
  return out + "},\"network\":" + yes_no(f.network) + "}";
}

std::string data_folder_json(const InstallationCheck& c) {
  if (!c.data_folder) return "null";
  static const char* const kRules[] = {"network_drive", "local_folder", "current_folder"};
  const DataFolder& d = *c.data_folder;
  return "{\"path\":" + json_text(shown(d.path)) +
         ",\"rule\":" + quoted(kRules[static_cast<int>(d.rule)]) +
         ",\"rule_words\":" + json_text(shown(rule_words(d))) +
         ",\"name_appended\":" + yes_no(d.name_appended) +
         ",\"exists\":" + yes_no(c.data_folder_exists) + "}";
}

std::string table_json(const TableCheck& t) {
  return "{\"name\":" + json_text(t.name) + ",\"file\":" + json_text(shown(t.path)) +
         ",\"found\":" + yes_no(t.found) + ",\"opened\":" + yes_no(t.opened) +
         ",\"records\":" + std::to_string(t.records) +
         ",\"last_update\":" + json_text(t.last_update) + "}";
}

std::string tag_json(const TagCheck& t) {
  return "{\"table\":" + json_text(t.table) + ",\"tag\":" + json_text(t.tag) +
         ",\"index_found\":" + yes_no(t.index_found) + ",\"present\":" + yes_no(t.present) +
         ",\"key\":" + json_text(t.key) + ",\"for\":" + json_text(t.for_condition) +
         ",\"checked\":" + yes_no(t.checked) + ",\"not_checked\":" + json_text(t.not_checked) +
         ",\"read_error\":" + json_text(t.read_error) +
         ",\"missing\":" + std::to_string(t.missing) + ",\"extra\":" + std::to_string(t.extra) +
         ",\"different\":" + std::to_string(t.different) + ",\"agrees\":" + yes_no(t.agrees()) +
         "}";
}

std::string currency_json(const CurrencyCheck& cur) {
  std::vector<std::string> seeks;
  for (const LookupTrace::Seek& s : cur.trace.seeks) {
    seeks.push_back("{\"step\":" + quoted(step_key(s.step)) + ",\"key\":" + json_text(s.key) +
                    ",\"soft\":" + yes_no(s.soft) + ",\"found\":" + yes_no(s.found) + "}");
  }
  const bool chosen = cur.trace.chosen;
  return "{\"id\":" + json_number(cur.id) + ",\"code\":" + json_text(cur.code) +
         ",\"name\":" + json_text(cur.name) +
         ",\"step\":" + quoted(chosen ? step_key(cur.trace.step) : "none") +
         ",\"recno\":" + (chosen ? std::to_string(cur.recno) : "null") +
         ",\"date\":" + (chosen ? json_text(cur.date) : "null") +
         ",\"buy\":" + json_number(cur.buy) + ",\"sell\":" + json_number(cur.sell) +
         ",\"why_none\":" + json_text(cur.why_none) + ",\"error\":" + json_text(cur.error) +
         ",\"seeks\":" + json_list(seeks) + ",\"deleted\":" + yes_no(cur.deleted) +
         ",\"rate_deleted\":" + yes_no(cur.rate_deleted) + "}";
}

}  // namespace

std::string installation_text(const InstallationCheck& c) {
  std::string out = "kursexport installation in " + shown(c.program_folder) + "\n\n" +
                    program_line(c.program) + location_lines(c);
  if (c.data_folder) {
    out += "Data folder: " + shown(c.data_folder->path) +
           (c.data_folder_exists ? ": exists\n" : ": does not exist\n") + "  " +
           shown(rule_words(*c.data_folder)) + "\n";
  }
  if (!c.tables.empty()) out += "Tables:\n";
  for (const TableCheck& t : c.tables) out += table_line(t);
  if (!c.tags.empty()) out += "Tags:\n";
  for (const TagCheck& t : c.tags) out += tag_line(t);
  if (c.active_date) {
    out += "Active date: " + (c.active_date->empty() ? "empty" : iso_date(*c.active_date)) +
           " (AKTIF of the control record)\n";
  }
  if (walked(c)) {
    out += "Rates (the lookup's step for each currency but ID 1, in ID order):\n";
    if (c.currencies.empty()) out += "  no currency other than ID 1\n";
  }
  for (const CurrencyCheck& cur : c.currencies) out += currency_line(cur);
  return out + result_lines(c);
}

std::string installation_json(const InstallationCheck& c) {
  std::vector<std::string> warnings, tables, tags, currencies;
  for (const std::string& w : c.warnings) warnings.push_back(json_text(w));
  for (const TableCheck& t : c.tables) tables.push_back(table_json(t));
  for (const TagCheck& t : c.tags) tags.push_back(tag_json(t));
  for (const CurrencyCheck& cur : c.currencies) currencies.push_back(currency_json(cur));
  const std::string active_date =
      c.active_date ? json_text(iso_date(*c.active_date)) : std::string("null");
  return "{\"program_folder\":" + json_text(shown(c.program_folder)) +
         ",\"status\":" + std::to_string(c.status()) +
         ",\"complete\":" + yes_no(c.outcome == Outcome::kReport) +
         ",\"outcome\":" + quoted(outcome_key(c.outcome)) + ",\"cause\":" + json_text(c.cause) +
         ",\"problem\":" + json_text(shown(c.problem)) +
         ",\"output\":" + json_text(shown(c.output)) + ",\"warnings\":" + json_list(warnings) +
         ",\"program\":" + program_json(c.program) + ",\"location\":" + location_json(c) +
         ",\"data_folder\":" + data_folder_json(c) + ",\"tables\":" + json_list(tables) +
         ",\"tags\":" + json_list(tags) + ",\"active_date\":" + active_date +
         ",\"currencies\":" + json_list(currencies) + "}\n";
}

}  // namespace kx::kv3dump
