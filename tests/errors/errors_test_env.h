// The environment of the failure-reporting tests: the program's conversion
// settings, a fixed clock, recorded dialogs and tones (never a real one) on a
// window station that is visible unless a test says otherwise, an
// error log in a scratch folder, and no handler, factory, secret or work area
// left over from another test.
#ifndef KX_TESTS_ERRORS_ERRORS_TEST_ENV_H_
#define KX_TESTS_ERRORS_ERRORS_TEST_ENV_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "errors/error_factory.h"
#include "errors/error_log.h"
#include "runtime/clock.h"
#include "runtime/dialogs.h"
#include "runtime/error_settings.h"
#include "runtime/error_slot.h"
#include "runtime/error_structure.h"
#include "runtime/network_error.h"
#include "runtime/runtime_error.h"
#include "runtime/secrets.h"
#include "runtime/settings.h"
#include "runtime/work_area_query.h"
#include "support/testing/child_process.h"

namespace kx::test {

struct DialogCall {
  std::string message;
  std::string severity;
  bool can_default = false;
  uint32_t retry_flag = 0;
  uint32_t break_flag = 0;
};

class ErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_settings();
    set_international(InternationalMode::kFixed);
    set_century(true);
    set_date_format("DD/MM/YYYY");
    set_digits(20);
    set_decimal_separator(',');
    set_thousands_separator('.');
    set_clock([] { return platform::LocalDateTime{2026, 3, 7, 14, 5, 9}; });
    set_error_dialog(
        [this](const std::string& m, const std::string& s, bool d, uint32_t r, uint32_t b) {
          dialogs_.push_back({m, s, d, r, b});
          return answer_;
        });
    set_message_box(
        [this](const std::string& t, const std::string& c) { boxes_.emplace_back(t, c); });
    set_tone([this](uint32_t f, uint32_t d) { tones_.emplace_back(f, d); });
    set_window_station_query([this] { return visible_; });
    reset_error_settings();
    log_folder_ = std::filesystem::path(scratch_path("log")).parent_path().string() + "/logs/";
    std::filesystem::remove_all(log_folder_);
    std::filesystem::create_directories(log_folder_);
    error_settings().log_folder = log_folder_;
    clear_secrets();
    set_current_area_query(nullptr);
    set_close_all_hook(nullptr);
    install_error_handler(nullptr);
    register_error_factory(nullptr);
    set_error_record_maker(nullptr);
    set_network_error(false);
    clear_static_error_structure();
  }

  void TearDown() override {
    // Silent stand-ins: the recorders above die with the fixture.
    set_error_dialog(
        [](const std::string&, const std::string&, bool, uint32_t, uint32_t) { return 3; });
    set_message_box([](const std::string&, const std::string&) {});
    set_tone([](uint32_t, uint32_t) {});
    set_window_station_query([] { return true; });
    set_clock(nullptr);
    reset_error_settings();
    clear_secrets();
    install_error_handler(nullptr);
    register_error_factory(nullptr);
    reset_settings();
  }

  std::string log_path() const { return log_folder_ + kErrorLogName; }

  std::vector<DialogCall> dialogs_;
  std::vector<std::pair<std::string, std::string>> boxes_;
  std::vector<std::pair<uint32_t, uint32_t>> tones_;
  int answer_ = kChoiceDefault;
  bool visible_ = true;  // what the window-station query answers
  std::string log_folder_;
};

// A record made the way the runtime makes them: laid out and read back.
inline std::shared_ptr<ERROR> record_from(const RuntimeError& details) {
  const ErrorStructure laid_out(details);
  const Value v = DefErrorGen(Value::pointer(laid_out.address()));
  return std::dynamic_pointer_cast<ERROR>(v.as_object());
}

}  // namespace kx::test

#endif  // KX_TESTS_ERRORS_ERRORS_TEST_ENV_H_
