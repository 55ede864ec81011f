// The environment of the failure-reporting tests: the program's conversion
// settings, the fake Env (a fixed clock, recorded dialogs and tones, never a
// real one, on a window station that is visible unless a test says
// otherwise) and an error log in a scratch folder. Each test starts from a
// new process's state (tests/test_main.cpp): no handler, factory, secret or
// work area left over from another test.
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
#include "runtime/errors/error_settings.h"
#include "runtime/errors/error_structure.h"
#include "runtime/errors/file_error.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/dialogs.h"
#include "runtime/process/secrets.h"
#include "runtime/process/settings.h"
#include "runtime/process/work_area_query.h"
#include "support/testing/child_process.h"
#include "support/testing/fake_env.h"
#include "support/testing/report_settings.h"

namespace kx::test {

class ErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    apply_report_settings();
    log_folder_ = use_scratch_log_folder();
  }

  std::string log_path() const { return log_folder_ + kErrorLogName; }

  FakeEnv env_;
  std::vector<DialogCall>& dialogs_ = env_.dialogs;
  std::vector<std::pair<std::string, std::string>>& boxes_ = env_.boxes;
  std::vector<std::pair<uint32_t, uint32_t>>& tones_ = env_.tones;
  int& answer_ = env_.dialog_answer;
  bool& visible_ = env_.station_visible;  // what the window-station query answers
  std::string log_folder_;

 private:
  // A new, empty folder of the test's own, made the error log's folder.
  static std::string use_scratch_log_folder() {
    const std::string folder =
        std::filesystem::path(scratch_path("log")).parent_path().string() + "/logs/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    error_settings().log_folder = folder;
    return folder;
  }
};

// A record made the way the runtime makes them: laid out and read back.
inline std::shared_ptr<ERROR> record_from(const RuntimeError& details) {
  const ErrorStructure laid_out(details);
  const Value v = DefErrorGen(Value::pointer(laid_out.address()));
  return std::dynamic_pointer_cast<ERROR>(v.as_object());
}

}  // namespace kx::test

#endif  // KX_TESTS_ERRORS_ERRORS_TEST_ENV_H_
