// A fake of the program's Env for unit tests (leveldb's memenv, ninja's
// VirtualFileSystem): standard output and error captured as bytes, a fixed
// clock, dialogs, message boxes, tones and pauses recorded with scripted
// answers, a scripted window station, OS version and network. Files pass
// through to the Env it wraps, and so do handles that a test puts in the
// place of standard output or error (a child process redirecting its output
// to a file).
#ifndef KX_TESTS_SUPPORT_TESTING_FAKE_ENV_H_
#define KX_TESTS_SUPPORT_TESTING_FAKE_ENV_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/env.h"

namespace kx::test {

// One error dialog the program showed.
struct DialogCall {
  std::string message;
  std::string severity;
  bool can_default = false;
  uint32_t retry_flag = 0;
  uint32_t break_flag = 0;
};

// Answers each connection with the next result of script (the last one for
// ever; 0 with no script) and the extended error with the extended_ members;
// records every call.
class ScriptedNetwork : public platform::NetworkConnector {
 public:
  struct Call {
    std::string local;
    std::string remote;
    std::optional<std::string> user;
    std::optional<std::string> password;
    std::string function;  // the innermost activation when the call came
  };

  uint32_t add_connection(const std::string& local, const std::string& remote,
                          const std::optional<std::string>& user,
                          const std::optional<std::string>& password) override;
  uint32_t last_extended_error(uint32_t* code, std::string* text, size_t text_size,
                               std::string* provider, size_t provider_size) override;

  std::vector<uint32_t> script;
  uint32_t extended_result = 0;
  uint32_t extended_code = 4711;
  std::string extended_text = "The share is offline";
  std::string extended_provider = "Microsoft Windows Network";

  std::vector<Call> calls;
  std::string sizes;  // the buffer sizes of the last extended-error query: "text provider"
};

class FakeEnv : public platform::EnvWrapper {
 public:
  // Standard output and error as handles: what is written to them is kept
  // in output and error_output.
  static constexpr platform::NativeHandle kOutputHandle = 0x7FFF0001;
  static constexpr platform::NativeHandle kErrorHandle = 0x7FFF0002;

  // Wraps the process's Env and installs itself in its place until it is
  // destroyed.
  FakeEnv();
  ~FakeEnv() override;

  // ---- Scripted ----
  platform::LocalDateTime now{2026, 3, 7, 14, 5, 9};  // the clock
  int dialog_answer = 1;                              // take the default
  // When set, answers the error dialog instead of dialog_answer.
  std::function<int(const DialogCall&)> on_dialog;
  bool station_visible = true;  // what the window-station query answers
  uint32_t platform_id = 2;     // the NT family
  bool real_sleep = false;      // pauses also really happen (the system Env sleeps)
  ScriptedNetwork network;

  // ---- Recorded ----
  std::string output;
  std::string error_output;
  std::vector<DialogCall> dialogs;
  std::vector<std::pair<std::string, std::string>> boxes;  // text, caption
  std::vector<std::pair<uint32_t, uint32_t>> tones;        // frequency, duration
  std::vector<uint32_t> sleeps;                            // milliseconds

  platform::NativeHandle std_handle(platform::StdStream stream) override;
  void set_std_handle(platform::StdStream stream, platform::NativeHandle handle) override;
  bool write_bytes(platform::NativeHandle handle, const char* data, size_t size) override;
  platform::LocalDateTime local_now() override { return now; }
  void sleep_ms(uint32_t milliseconds) override;
  uint32_t os_platform_id() override { return platform_id; }
  bool window_station_visible() override { return station_visible; }
  void message_box(const std::string& text, const std::string& caption) override;
  int error_dialog(const std::string& message, const std::string& severity, bool can_default,
                   uint32_t retry_flag, uint32_t break_flag) override;
  void tone(uint32_t frequency, uint32_t duration) override;
  platform::NetworkConnector& network_connector() override { return network; }

 private:
  platform::Env* const previous_;
  platform::NativeHandle std_handles_[3];
};

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TESTING_FAKE_ENV_H_
