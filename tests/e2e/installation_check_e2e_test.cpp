// kv3dump --installation on scenario installations: the check must agree
// with what the program really prints there, name the cause of each failure
// and, for a report, the lookup step and the rates of each currency.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>

#include "e2e/damage_support.h"
#include "e2e/json_validator.h"
#include "e2e/scenario.h"

namespace kx::e2e {
namespace {

namespace fs = std::filesystem;
using writer::Currency;
using writer::Rate;

Date ymd(int y, int m, int d) { return Date::from_ymd(y, m, d); }
const Date kAktif = ymd(2026, 3, 7);

const std::vector<Currency> kCurrencies = {
    {1, "IDR", "Rupiah"}, {2, "USD", "US Dollar"}, {3, "EUR", "Euro"},  {4, "JPY", "Yen"},
    {5, "SGD", "Dollar"}, {6, "CHF", "Franc"},     {7, "AUD", "Dollar"}};

// One rate per step of the lookup, and two currencies without one.
const std::vector<Rate> kRates = {
    {2, ymd(2026, 3, 9), "15400.30", "15500.30"}, {2, ymd(2026, 3, 1), "15000.10", "15100.10"},
    {2, ymd(2026, 3, 5), "15200.20", "15300.20"}, {3, ymd(2026, 2, 1), "15900.50", "16050.50"},
    {3, ymd(2026, 3, 7), "16000.40", "16100.40"}, {4, ymd(2025, 12, 1), "99.70", "100.70"},
    {4, ymd(2026, 1, 15), "100.60", "101.60"},    {5, ymd(2025, 6, 1), "11000.80", "11100.80"},
    {6, ymd(2026, 3, 10), "1.10", "1.20"},        {7, ymd(2024, 1, 1), "2.10", "2.20"},
};
const char kAllSteps[] =
    "USD month 15000.10 15100.10,EUR exact_day 16000.40 16100.40,JPY year 100.60 101.60,"
    "SGD previous_year 11000.80 11100.80,CHF none 0.00 0.00,AUD none 0.00 0.00";

void installation(Scenario& s) { s.write_installation(kAktif, kCurrencies, kRates); }

void with_options(Scenario& s, void (*change)(writer::TableOptions&)) {
  writer::TableOptions options;
  change(options);
  s.write_installation(kAktif, kCurrencies, kRates, options);
}

// The rate index of another installation: readable, but its entries point
// at other records.
void stale_rate_index(Scenario& s) {
  std::vector<Rate> other = kRates;
  for (Rate& r : other) r.tanggal = ymd(2026, 3, 7);
  installation(s);
  const std::string kept = s.root() + "/M_KURSMA.CDX";
  ASSERT_TRUE(writer::write_rate_table(s.data_folder(), other));
  fs::copy_file(s.data_folder() + "M_KURSMA.CDX", kept);
  ASSERT_TRUE(writer::write_rate_table(s.data_folder(), kRates));
  fs::copy_file(kept, s.data_folder() + "M_KURSMA.CDX", fs::copy_options::overwrite_existing);
}

// The rate index cut after its tag directory: it opens, its pages do not.
void cut_rate_index(Scenario& s) {
  installation(s);
  fs::resize_file(s.data_folder() + "M_KURSMA.CDX", 1024);
}

// The MU_TGL tag's root page given attributes that no page has: the index
// opens, and the first seek in the tag meets the damage. A tag header holds
// its root's offset in its first four bytes and its key expression 512
// bytes further on.
void damaged_rate_tag(Scenario& s) {
  installation(s);
  const std::string file = s.data_folder() + "M_KURSMA.CDX";
  std::string bytes;
  ASSERT_TRUE(read_bytes(file, &bytes));
  const size_t expression = bytes.find("PADL(");
  ASSERT_NE(expression, std::string::npos);
  const size_t header = expression - 512;
  size_t root = 0;
  for (int i = 3; i >= 0; --i) root = root * 256 + static_cast<uint8_t>(bytes[header + i]);
  ASSERT_LT(root + 2, bytes.size());
  bytes[root] = bytes[root + 1] = '\xFF';
  ASSERT_TRUE(write_bytes_to(file, bytes));
}

struct CheckCase {
  const char* label;
  std::function<void(Scenario&)> build;
  unsigned program;   // what the program prints (damage_support.h)
  const char* cause;  // "" for a complete report
  int status;
  const char* currencies;  // code, step, buy and sell of each currency checked
};

std::string from_env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string member(const std::string& json, const std::string& name) {
  std::smatch m;
  const std::regex re("\"" + name + "\":(\"[^\"]*\"|[0-9]+|true|false)");
  if (!std::regex_search(json, m, re)) return "?";
  const std::string v = m[1].str();
  return v[0] == '"' ? v.substr(1, v.size() - 2) : v;
}

std::string checked_currencies(const std::string& json) {
  static const std::regex kCurrency(
      "\"code\":\"([^\"]*)\",\"name\":\"[^\"]*\",\"step\":\"([a-z_]+)\",[^}]*\"buy\":([0-9.]+),"
      "\"sell\":([0-9.]+)");
  std::string out;
  for (std::sregex_iterator i(json.begin(), json.end(), kCurrency), end; i != end; ++i) {
    out += (out.empty() ? "" : ",") + (*i)[1].str() + " " + (*i)[2].str() + " " + (*i)[3].str() +
           " " + (*i)[4].str();
  }
  return out;
}

// The same currencies with the rates the program reported.
std::string reported_currencies(const std::string& report, const std::string& checked) {
  static const std::regex kCodeAndStep("([A-Z]+) ([a-z_]+)");
  std::string out;
  std::smatch m;
  for (std::sregex_iterator i(checked.begin(), checked.end(), kCodeAndStep), end; i != end; ++i) {
    const std::string code = (*i)[1].str();
    const std::regex rates("\"KursBeli_" + code + "\":([0-9.]+)\r\n,\r\n\"KursJual_" + code +
                           "\":([0-9.]+)");
    if (!std::regex_search(report, m, rates)) return "no rates of " + code + " in the report";
    out +=
        (out.empty() ? "" : ",") + code + " " + (*i)[2].str() + " " + m[1].str() + " " + m[2].str();
  }
  return out;
}

TEST(InstallationCheckTest, NamesTheCauseAndEachCurrencysLookupStep) {
  const std::string kv3dump = from_env("KX_KV3DUMP");
  if (kv3dump.empty() || under_wine()) GTEST_SKIP() << "no native kv3dump to run";
  const CheckCase cases[] = {
      {"every lookup step", installation, kReport, "", 0, kAllSteps},
      {"no location table", [](Scenario& s) { s.write_control(kAktif); }, kStateObject,
       "no_location_table", 1, ""},
      {"empty CUR_DIR",
       [](Scenario& s) {
         installation(s);
         s.write_location({"", "", "", ""});
       },
       kStateObject, "cur_dir_empty", 1, ""},
      {"network path without a share",
       [](Scenario& s) {
         installation(s);
         s.write_location({"\\\\SERVER", "P:", "", ""});
       },
       kErrorPage, "network_path_without_share", 1, ""},
      {"data folder missing",
       [](Scenario& s) {
         s.write_location({s.root() + "/nowhere", "", "", ""});
       },
       kStateObject, "data_folder_missing", 1, ""},
      {"control table missing",
       [](Scenario& s) {
         installation(s);
         fs::remove(s.data_folder() + "M_KONTRO.KV3");
       },
       kStateObject, "control_table_missing", 1, ""},
      {"control table empty",
       [](Scenario& s) {
         installation(s);
         ASSERT_TRUE(writer::write_control_table(s.data_folder(), {}, true));
       },
       kErrorPage, "active_date_empty", 1, ""},
      {"rate table missing",
       [](Scenario& s) {
         installation(s);
         fs::remove(s.data_folder() + "M_KURSMA.KV3");
       },
       kErrorPage, "table_missing", 1, ""},
      {"ID tag missing",
       [](Scenario& s) {
         with_options(s, [](writer::TableOptions& o) { o.write_id_tag = false; });
       },
       kErrorObject, "tag_missing", 1, ""},
      {"MU_TGL tag missing",
       [](Scenario& s) {
         with_options(s, [](writer::TableOptions& o) { o.write_mu_tgl_tag = false; });
       },
       kErrorObject, "tag_missing", 1, ""},
      {"rate index cut", cut_rate_index, kErrorPage, "index_damaged", 1, ""},
      {"rate tag damaged", damaged_rate_tag, kErrorPage, "index_damaged", 1, ""},
      {"rate index of other records", stale_rate_index, kReport, "", 8, nullptr},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.label);
    Scenario scenario;
    c.build(scenario);
    const RunResult program = scenario.run();
    const Classified printed = classify(program.out);
    EXPECT_NE(printed.outcome & c.program, 0u) << outcome_names(printed.outcome) << program.out;

    RunOptions options;
    options.args = {"--installation", scenario.program_folder(), "--json"};
    options.native = true;
    const RunResult json = run_program(kv3dump, scenario.root(), 60, options);
    EXPECT_EQ(json.status, c.status) << json.out << json.err;
    EXPECT_TRUE(is_valid_json(json.out)) << json.out;
    EXPECT_EQ(member(json.out, "cause"), c.cause) << member(json.out, "problem");
    EXPECT_EQ(member(json.out, "complete"), printed.outcome == kReport ? "true" : "false");
    if (c.currencies != nullptr) {
      EXPECT_EQ(checked_currencies(json.out), c.currencies);
    }
    if (printed.outcome == kReport) {
      const std::string checked = checked_currencies(json.out);
      EXPECT_EQ(reported_currencies(printed.report, checked), checked);
    }

    options.args.pop_back();
    const RunResult text = run_program(kv3dump, scenario.root(), 60, options);
    EXPECT_EQ(text.status, json.status);
    const std::string said = *c.cause ? std::string("Cause (") + c.cause + ")" : "Result: ";
    EXPECT_NE(text.out.find(said), std::string::npos) << text.out;
  }
}

// Marks record recno of a table deleted, as the point-of-sale application does.
void mark_deleted(const std::string& table, uint32_t recno) {
  std::string bytes;
  ASSERT_TRUE(read_bytes(table, &bytes));
  const DbfLayout layout = dbf_layout(bytes);
  bytes[layout.header_length + (recno - 1) * layout.record_length] = '*';
  ASSERT_TRUE(write_bytes_to(table, bytes));
}

struct SayingCase {
  const char* label;
  std::function<void(Scenario&)> build;
  int status;
  std::vector<std::string> said;  // fragments of the text output, then of the JSON
};

TEST(InstallationCheckTest, SaysWhatTheAdministratorMustKnow) {
  const std::string kv3dump = from_env("KX_KV3DUMP");
  if (kv3dump.empty() || under_wine()) GTEST_SKIP() << "no native kv3dump to run";
  std::vector<Currency> accented = kCurrencies;
  accented[2].nama = "Am\xE9ricain \x80";
  const SayingCase cases[] = {
      {"the program and its build",
       installation,
       0,
       {"Program: " + fs::path(program_under_test()).filename().string() + ", ",
        " bytes, modified 20", "\"program\":{\"file\":", "\"found\":true"}},
      {"no program",
       [](Scenario& s) {
         installation(s);
         fs::remove(fs::path(s.program_folder()) / fs::path(program_under_test()).filename());
       },
       1,
       {": not in the program folder", "Cause (program_missing)", "\"outcome\":\"no_program\""}},
      // EUR: master record 3, and record 5 holds the exact day's rates.
      {"deleted records still count",
       [](Scenario& s) {
         installation(s);
         mark_deleted(s.data_folder() + "M_MAUANG.KV3", 3);
         mark_deleted(s.data_folder() + "M_KURSMA.KV3", 5);
       },
       8,
       {"ID 3 EUR (Euro), deleted in M_MAUANG: exact day, record 5 (deleted) dated 2026-03-07",
        "Warning: ID 3 EUR (Euro) is marked deleted in M_MAUANG, and still counts",
        "Warning: the rates of ID 3 EUR (Euro) come from record 5 of M_KURSMA, which is marked "
        "deleted",
        "\"deleted\":true,\"rate_deleted\":true"}},
      {"table text in UTF-8",
       [&](Scenario& s) { s.write_installation(kAktif, accented, kRates); },
       0,
       {"ID 3 EUR (Am\xC3\xA9ricain \xE2\x82\xAC): exact day",
        "\"name\":\"Am\xC3\xA9ricain \xE2\x82\xAC\""}},
      {"blank active date",
       [](Scenario& s) {
         installation(s);
         s.write_control(Date());
       },
       1,
       {"ID 2 USD (US Dollar): the run ends here"}},
      {"a folder for a table",
       [](Scenario& s) {
         installation(s);
         fs::remove(s.data_folder() + "M_KURSMA.KV3");
         fs::create_directory(s.data_folder() + "M_KURSMA.KV3");
       },
       1,
       {"M_KURSMA.KV3 in the data folder is a directory, not a table"}},
  };
  for (const SayingCase& c : cases) {
    SCOPED_TRACE(c.label);
    Scenario scenario;
    c.build(scenario);
    RunOptions options;
    options.native = true;
    options.args = {"--installation", scenario.program_folder()};
    const RunResult text = run_program(kv3dump, scenario.root(), 60, options);
    options.args.push_back("--json");
    const RunResult json = run_program(kv3dump, scenario.root(), 60, options);
    EXPECT_EQ(text.status, c.status) << text.out << text.err;
    EXPECT_EQ(json.status, c.status);
    EXPECT_TRUE(is_valid_json(json.out)) << json.out;
    for (const std::string& fragment : c.said) {
      EXPECT_TRUE(text.out.find(fragment) != std::string::npos ||
                  json.out.find(fragment) != std::string::npos)
          << fragment << "\n"
          << text.out;
    }
  }
}

}  // namespace
}  // namespace kx::e2e
