#include "kv3dump/installation_check.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "app/dbkontro.h"
#include "app/numeric_errors.h"
#include "app/report.h"
#include "app/table_names.h"
#include "errors/error_record.h"
#include "errors/json_objects.h"
#include "errors/process_start.h"
#include "json/json.h"
#include "kv3dump/installation_report.h"
#include "kv3dump/installation_words.h"
#include "kv3dump/options.h"
#include "kv3dump/record_text.h"
#include "kv3dump/tag_verify.h"
#include "platform/env.h"
#include "platform/file_names.h"
#include "platform/folders.h"
#include "platform/platform.h"
#include "runtime/errors/break_out.h"
#include "runtime/errors/error_texts.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/secrets.h"
#include "runtime/text/ascii.h"
#include "runtime/text/text.h"
#include "table_functions/table_functions.h"
#include "tables/work_areas.h"

namespace kx::kv3dump {
namespace {

constexpr const char* kLocationAlias = table_names::kLocation;
using table_names::kControl;
using table_names::kCurrencies;
using table_names::kRates;

// The program's handler ends the run at a runtime error; here the error
// ends the step that met it, and comes back as that step's failure.
using Failure = std::optional<Value>;
Failure run_step(const std::function<void()>& step) { return with_recovery_point(step); }

// The settings and the error handler come with start-up (CheckedStartup).
void prepare_process_state() {
  register_runtime_support();
  register_table_support();
}

const ERROR* record_of(const Failure& failure) { return failure ? as_error(*failure) : nullptr; }

std::string error_text(const Failure& failure) {
  const ERROR* e = record_of(failure);
  if (e == nullptr) return "a runtime error";
  std::string details = generic_error_text(e->GENCODE);
  const std::string os = os_error_text(e->OSCODE);
  if (!os.empty()) details += (details.empty() ? "" : ", ") + os;
  std::string text = e->DESCRIPTION.empty() ? details : e->DESCRIPTION;
  if (!details.empty() && details != text) text += " (" + details + ")";
  const std::string& what = e->FILENAME.empty() ? e->ARG : e->FILENAME;
  if (!what.empty()) text += ": " + what;
  return mask_secrets(text);
}

bool names_index_file(const Failure& failure) {
  const ERROR* e = record_of(failure);
  if (e == nullptr || e->FILENAME.size() < 4) return false;
  return ascii_upper(e->FILENAME.substr(e->FILENAME.size() - 4)) == ".CDX";
}

bool has_gencode(const Failure& failure, uint32_t gencode) {
  const ERROR* e = record_of(failure);
  return e != nullptr && e->GENCODE == gencode;
}

bool fail(InstallationCheck& c, Outcome outcome, const char* cause, const std::string& problem,
          const std::string& output = "") {
  c.outcome = outcome;
  c.cause = cause;
  c.problem = problem;
  c.output = output;
  return false;
}

bool is_directory(const std::string& path) {
  return platform::path_kind(path) == platform::PathKind::kDirectory;
}

const CodePage* code_page_of(const std::string& alias) {
  return code_page_of_mark(tables::work_areas().find(alias)->table().layout().prefix.code_page)
      .page;
}

// Start-up as the check watches it (STARTPRE2 runs the steps): what each
// step finds goes into the check, a step that fails ends the run with its
// cause, nothing is connected and the tables open without write access.
class CheckedStartup : public StartupObserver {
 public:
  explicit CheckedStartup(InstallationCheck& c) : c_(c) {}

  // Names the cause of a runtime error that ended start-up, when no step
  // named one.
  void failed(const Failure& f) {
    if (c_.outcome != Outcome::kReport) return;
    switch (step_) {
      case Step::kLocationOpen:
        fail(c_, Outcome::kErrorPage, "location_table_unreadable",
             "KELVARO.DIR cannot be opened: " + error_text(f));
        return;
      case Step::kLocationFields:
        fail(c_, Outcome::kErrorPage,
             has_gencode(f, kGenNoField) ? "location_field_missing" : "location_table_unreadable",
             "KELVARO.DIR cannot be read: " + error_text(f));
        return;
      case Step::kProgramFolder:
        fail(c_, Outcome::kErrorPage, "program_folder_too_short",
             "the program folder's path is shorter than six characters, which ends in a "
             "numeric overflow");
        return;
      case Step::kTable:
        table_failed(f);
        return;
      case Step::kControlRecord:
        fail(c_, Outcome::kErrorPage, "control_record_invalid",
             "the control record cannot be read: " + error_text(f));
        return;
    }
  }

  void settings_applied() override {
    install_error_handler([](const Value& error) -> Value { break_out(error); });
  }
  std::string program_folder() override { return c_.program_folder; }

  void location_table(const LocationTable& t) override {
    c_.location = t;
    step_ = Step::kLocationOpen;
    if (t.exists) return;
    stop(Outcome::kStateObject, "no_location_table",
         is_directory(t.path) ? "KELVARO.DIR in the program folder is a directory, not a table"
                              : "KELVARO.DIR is not in the program folder",
         state_object(1, ""));
  }
  void location_opened(bool opened) override {
    c_.location_opened = opened;
    if (!opened) {
      stop(Outcome::kStateObject, "location_table_unreadable", "KELVARO.DIR cannot be opened",
           state_object(2, "KELVARO.DIR"));
    }
    c_.location_page = code_page_of(kLocationAlias);
    step_ = Step::kLocationFields;
  }
  void location_fields(const LocationFields& f) override {
    c_.fields = f;
    if (f.network) register_secret(f.password);
    step_ = Step::kProgramFolder;
  }
  // The drive mapping needs a backslash after the server name: without one
  // its length computation overflows.
  bool connect_drive(const LocationFields& f) override {
    if (trim_right(f.cur_dir).find('\\', 2) == std::string::npos) {
      stop(Outcome::kErrorPage, "network_path_without_share",
           "CUR_DIR names a server without a share; connecting the drive ends in a numeric "
           "overflow");
    }
    return false;
  }
  void data_folder(const DataFolder& folder) override {
    c_.data_folder = folder;
    c_.data_folder_exists =
        platform::path_kind_any_case(folder.path) == platform::PathKind::kDirectory;
  }
  void control_table(const ControlTable& control) override {
    add_table(kControl, control.path, control.exists);
    step_ = Step::kTable;
    if (!control.exists) {
      control_missing(control);
      break_out(Value());
    }
  }
  bool read_only() const override { return true; }
  void table_opening(const std::string& alias, const std::string& path) override {
    if (alias != kControl) add_table(alias, path, VOFILE(path));
  }
  void table_opened(const std::string& alias, bool opened) override {
    TableCheck& t = c_.tables.back();
    t.opened = opened;
    if (!opened) {
      table_failed(std::nullopt);
      break_out(Value());
    }
    tables::WorkArea* area = tables::work_areas().find(alias);
    area->record_count(&t.records);
    t.last_update = header_date(area->table().layout().prefix);
  }
  void control_record() override { step_ = Step::kControlRecord; }
  // Every state object start-up prints has its cause above; this keeps any
  // other from ending the check's process.
  void state(uint16_t code, const std::string& text) override {
    stop(Outcome::kStateObject, "state_object", "start-up ends with a state object",
         state_object(code, text));
  }

 private:
  // What start-up is doing when a runtime error ends it.
  enum class Step { kLocationOpen, kLocationFields, kProgramFolder, kTable, kControlRecord };

  // Names the cause and ends start-up here.
  [[noreturn]] void stop(Outcome outcome, const char* cause, const std::string& problem,
                         const std::string& output = "") {
    name(outcome, cause, problem, output);
    break_out(Value());
  }

  void add_table(const std::string& name, const std::string& path, bool found) {
    TableCheck t;
    t.name = name;
    t.path = path;
    t.found = found;
    c_.tables.push_back(t);
  }

  // Names the cause, unless one is named already.
  void name(Outcome outcome, const char* cause, const std::string& problem,
            const std::string& output = "") {
    if (c_.outcome == Outcome::kReport) fail(c_, outcome, cause, problem, output);
  }

  void control_missing(const ControlTable& control) {
    const DataFolder& folder = *c_.data_folder;
    const std::string output = state_object(3, control.path);
    if (folder.rule == DataFolderRule::kCurrentFolder) {
      name(Outcome::kStateObject, "cur_dir_empty", cur_dir_empty_problem(), output);
    } else if (!c_.data_folder_exists && folder.rule == DataFolderRule::kNetworkDrive) {
      name(Outcome::kStateObject, "network_drive_not_connected",
           "the data folder " + folder.path +
               " does not exist now; the program connects MAP_DRV first, this check does not",
           output);
    } else if (!c_.data_folder_exists) {
      name(Outcome::kStateObject, "data_folder_missing",
           "the data folder " + folder.path + " does not exist" + folder_hint(c_), output);
    } else {
      name(Outcome::kStateObject, "control_table_missing", "the data folder holds no M_KONTRO.KV3",
           output);
    }
  }

  // The table being opened could not be; f is the runtime error, if any.
  void table_failed(const Failure& f) {
    const TableCheck& t = c_.tables.back();
    if (!t.found && is_directory(t.path)) {
      name(Outcome::kErrorPage, "table_missing",
           t.name + ".KV3 in the data folder is a directory, not a table");
    } else if (!t.found) {
      name(Outcome::kErrorPage, "table_missing",
           t.name + ".KV3 is not in the data folder: " + error_text(f));
    } else if (names_index_file(f)) {
      name(Outcome::kErrorPage, "index_damaged",
           "the index of " + t.name + " cannot be read: " + error_text(f));
    } else {
      name(Outcome::kErrorPage, "table_unreadable", t.name + " cannot be opened: " + error_text(f));
    }
  }

  InstallationCheck& c_;
  Step step_ = Step::kLocationOpen;
};

// Start-up as the program runs it, watched; false when it did not finish.
bool check_startup(InstallationCheck& c) {
  CheckedStartup steps(c);
  const Failure f = run_step([&] { STARTPRE2({kCurrencies, kRates}, &steps); });
  if (f) {
    steps.failed(f);
    return false;
  }
  c.active_date = control_object()->DAKTIF;
  return true;
}

TagCheck check_tag(const std::string& table, const std::string& path, const std::string& tag) {
  TagCheck t;
  t.table = table;
  t.tag = tag;
  t.index_found = tables::work_areas().find(table)->index() != nullptr;
  run_step([&] { t.present = aliased(table, [&] { return DBSETORDER(Value::string(tag)); }); });
  if (!t.index_found) return t;
  // The entries are walked in an area of their own, away from the program's.
  tables::Status status;
  std::unique_ptr<tables::WorkArea> area = tables::WorkArea::open(path, "", {}, &status);
  const int number = area && area->index() ? area->index()->find_tag(tag) : -1;
  if (number < 0) {
    t.not_checked = area ? "no such tag" : status.description();
    return t;
  }
  const tables::cdx::TagInfo& info = area->index()->tags()[number];
  t.key = info.key_expression;
  t.for_condition = info.for_expression;
  const VerifyReport report = verify_tag(*area, static_cast<size_t>(number));
  t.checked = report.evaluable;
  t.not_checked = report.evaluable ? "" : report.reason;
  if (!report.status.ok()) t.read_error = report.status.description();
  t.missing = report.missing.size();
  t.extra = report.extra.size();
  t.different = report.different.size();
  return t;
}

const TableCheck& table_named(const InstallationCheck& c, const std::string& name) {
  return *std::find_if(c.tables.begin(), c.tables.end(),
                       [&](const TableCheck& t) { return t.name == name; });
}

// The tags the report orders by, in the order the report needs them.
void check_tags(InstallationCheck& c) {
  for (const auto& [table, tag] : {std::pair(kCurrencies, table_names::kCurrencyTag),
                                   std::pair(kRates, table_names::kRateTag)}) {
    c.tags.push_back(check_tag(table, table_named(c, table).path, tag));
    c.tags.back().records = table_named(c, table).records;
  }
}

const TagCheck& currency_tag(const InstallationCheck& c) { return c.tags.front(); }
const TagCheck& rate_tag(const InstallationCheck& c) { return c.tags.back(); }

// One currency as the report writes it, with what the lookup did; *current
// points at it until it is complete.
bool check_currency(InstallationCheck& c, const Value& id, const Date& date,
                    CurrencyCheck** current) {
  if (!rate_tag(c).present) {
    return fail(c, Outcome::kErrorObject, "tag_missing", tag_missing_problem(rate_tag(c)));
  }
  if (tables::work_areas().find(kRates)->field_pos("MAUANG_ID") == 0) {
    return fail(c, Outcome::kErrorObject, "field_missing",
                "M_KURSMA has no field MAUANG_ID; the program prints the error object CANNOT "
                "FIND FIELD at the first currency other than ID 1");
  }
  c.currencies.emplace_back();
  CurrencyCheck& currency = c.currencies.back();
  *current = &currency;
  currency.id = id.is_number() ? json_member_value(id) : value_text(id);
  // Code and name are shown before the lookup, so that a lookup that fails
  // leaves its line with them; read again after it, as the program reads
  // them, they raise what the program's reads would raise.
  const CodePage* page = code_page_of(kCurrencies);
  tables::WorkArea* currencies = tables::work_areas().find(kCurrencies);
  const auto read_now = [currencies](const char* field) {
    Value v;
    const bool read = currencies->field_pos(field) != 0 && currencies->field_get(field, &v).ok();
    return read ? value_text(v) : std::string();
  };
  currency.code = page->to_utf8(trim_right(read_now("KODE")));
  currency.name = page->to_utf8(trim(read_now("NAMA")));
  currencies->deleted(&currency.deleted);
  GET_KURSEXFIND(to_dword(id), date, true, &currency.trace);
  currency.code = page->to_utf8(trim_right(value_text(field_get(kCurrencies, "KODE"))));
  currency.name = page->to_utf8(trim(value_text(field_get(kCurrencies, "NAMA"))));
  currency.buy = json_member_value(field_get(kRates, "KURS_BELI"));
  currency.sell = json_member_value(field_get(kRates, "KURS_JUAL"));
  *current = nullptr;
  if (!currency.trace.chosen) {
    currency.why_none = why_no_rate(currency.trace);
    return true;
  }
  tables::WorkArea* rates = tables::work_areas().find(kRates);
  currency.recno = rates->recno();
  rates->deleted(&currency.rate_deleted);
  const uint32_t tanggal = rates->field_pos("TANGGAL");
  tables::dbf::Record record;
  CellText stored;
  if (tanggal != 0 && rates->table().read_record(currency.recno, &record).ok() &&
      cell_text(rates->table(), record, tanggal - 1, *code_page_of(kRates), &stored).ok()) {
    currency.date = stored.text;
  }
  return true;
}

const char* report_cause(const Failure& f, const Date& date) {
  if (names_index_file(f)) return "index_damaged";
  if (date.empty() && has_gencode(f, kGenNumOverflow)) return "active_date_empty";
  if (has_gencode(f, kGenNoField)) return "field_missing";
  return "table_unreadable";
}

// The report's walk: the currencies in ID order, the home currency left out.
void check_currencies(InstallationCheck& c) {
  if (!currency_tag(c).present) {
    fail(c, Outcome::kErrorObject, "tag_missing", tag_missing_problem(currency_tag(c)));
    return;
  }
  const Date date = *c.active_date;
  CurrencyCheck* current = nullptr;
  const Failure f = run_step([&] {
    Activation activation("START", kModuleMain);
    walk_report_currencies(activation, [&] {
      // A currency the program could not write ends the walk, its cause named.
      if (!check_currency(c, field_get(kCurrencies, "ID"), date, &current)) break_out(Value());
    });
  });
  if (!f || c.outcome != Outcome::kReport) return;
  if (current != nullptr) current->error = error_text(f);
  const char* cause = report_cause(f, date);
  fail(c, Outcome::kErrorPage, cause,
       report_problem(cause, current ? current->id : "", error_text(f)));
}

// The program folder as the program knows its own: absolute, ending with a
// separator.
std::string program_folder_path(const std::string& folder) {
  std::string path = platform::absolute_path(folder);
  if (path.empty() || path.back() != platform::path_separator()) path += platform::path_separator();
  return path;
}

int usage(std::ostream& err, const std::string& problem) {
  err << "kv3dump: " << problem << "\nusage: kv3dump --installation PROGRAM_FOLDER [--json]\n";
  return kExitUsage;
}

}  // namespace

bool TagCheck::agrees() const {
  return checked && read_error.empty() && missing == 0 && extra == 0 && different == 0;
}

int InstallationCheck::status() const {
  if (outcome != Outcome::kReport) return kExitNoReport;
  return warnings.empty() ? kExitReport : kExitReportWithWarnings;
}

InstallationCheck check_installation(const std::string& program_folder) {
  prepare_process_state();
  InstallationCheck c;
  c.program_folder = program_folder;
  c.program = check_program(program_folder);
  if (check_startup(c)) {
    check_tags(c);
    check_currencies(c);
  }
  if (c.outcome == Outcome::kReport && !c.program.found) {
    fail(c, Outcome::kNothing, "program_missing",
         c.program.name + " is not in the program folder; the web application cannot run it");
  }
  if (c.outcome == Outcome::kReport) c.warnings = report_warnings(c);
  db_close_all();
  return c;
}

int run_installation_check(const std::vector<std::string>& args, std::ostream& out,
                           std::ostream& err) {
  std::string folder;
  bool json = false;
  for (const std::string& a : args) {
    if (a == "--installation") continue;
    if (a == "--json") {
      json = true;
    } else if (!a.empty() && a[0] == '-') {
      return usage(err, "unknown option " + a);
    } else if (!folder.empty()) {
      return usage(err, "more than one program folder");
    } else {
      folder = a;
    }
  }
  if (folder.empty()) return usage(err, "no program folder");
  const InstallationCheck check = check_installation(program_folder_path(folder));
  out << (json ? installation_json(check) : installation_text(check));
  return check.status();
}

}  // namespace kx::kv3dump
