#include "e2e/scenario.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace kx::e2e {
namespace fs = std::filesystem;

Scenario::Scenario() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  root_ = (fs::temp_directory_path() / "kx-e2e" / name).string();
  fs::remove_all(root_);
  fs::create_directories(program_folder());
  fs::create_directories(data_folder());
  const fs::path program = program_under_test();
  if (!program.empty()) {
    fs::copy_file(program, fs::path(program_folder()) / program.filename(),
                  fs::copy_options::overwrite_existing);
  }
}

void Scenario::write_location(const writer::Location& location) {
  ASSERT_TRUE(writer::write_location_table(program_folder(), location));
}

void Scenario::write_location_to_pos() { write_location({target_path(pos_folder()), "", "", ""}); }

void Scenario::write_control(const Date& aktif) {
  writer::Control control;
  control.aktif = aktif;
  ASSERT_TRUE(writer::write_control_table(data_folder(), control));
}

void Scenario::write_currencies(const std::vector<writer::Currency>& currencies,
                                const writer::TableOptions& options) {
  ASSERT_TRUE(writer::write_currency_table(data_folder(), currencies, options));
}

void Scenario::write_rates(const std::vector<writer::Rate>& rates,
                           const writer::TableOptions& options) {
  ASSERT_TRUE(writer::write_rate_table(data_folder(), rates, options));
}

void Scenario::write_installation(const Date& aktif,
                                  const std::vector<writer::Currency>& currencies,
                                  const std::vector<writer::Rate>& rates,
                                  const writer::TableOptions& options) {
  write_location_to_pos();
  write_control(aktif);
  write_currencies(currencies, options);
  write_rates(rates, options);
}

RunResult Scenario::run(const std::string& cwd) const {
  const fs::path program = fs::path(program_folder()) / fs::path(program_under_test()).filename();
  return run_program(program.string(), cwd.empty() ? root_ : cwd, 60);
}

std::string Scenario::target_data_folder() const {
  return target_path(pos_folder()) + target_separator() + "KV3DB" + target_separator();
}

std::string json_escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

std::string mask_time(const std::string& report) {
  static const std::regex kTime("\"Aktif_Jam\":\"([0-9]{2}):([0-9]{2}):([0-9]{2})\"");
  std::smatch m;
  if (!std::regex_search(report, m, kTime)) {
    ADD_FAILURE() << "no Aktif_Jam member in: " << report;
    return report;
  }
  EXPECT_LT(std::stoi(m[1].str()), 24);
  EXPECT_LT(std::stoi(m[2].str()), 60);
  EXPECT_LT(std::stoi(m[3].str()), 60);
  return m.prefix().str() + "\"Aktif_Jam\":\"hh:mm:ss\"" + m.suffix().str();
}

std::vector<std::string> currency_members(const std::string& code, const std::string& id,
                                          const std::string& kode, const std::string& nama,
                                          const std::string& beli, const std::string& jual) {
  return {",", "\"ID_" + code + "\":" + id,
          ",", "\"Kode_" + code + "\":\"" + kode + "\"",
          ",", "\"Nama_" + code + "\":\"" + nama + "\"",
          ",", "\"KursBeli_" + code + "\":" + beli,
          ",", "\"KursJual_" + code + "\":" + jual};
}

}  // namespace kx::e2e
