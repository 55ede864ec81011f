#include "support/testing/fake_env.h"

#include <algorithm>

#include "runtime/process/activation.h"

namespace kx::test {

using platform::NativeHandle;
using platform::StdStream;

uint32_t ScriptedNetwork::add_connection(const std::string& local, const std::string& remote,
                                         const std::optional<std::string>& user,
                                         const std::optional<std::string>& password) {
  calls.push_back({local, remote, user, password, activation_name(0)});
  const size_t i = std::min(calls.size(), script.size()) - 1;
  return script.empty() ? 0 : script[i];
}

uint32_t ScriptedNetwork::last_extended_error(uint32_t* code, std::string* text, size_t text_size,
                                              std::string* provider, size_t provider_size) {
  sizes = std::to_string(text_size) + " " + std::to_string(provider_size);
  *code = extended_code;
  *text = extended_text;
  *provider = extended_provider;
  return extended_result;
}

FakeEnv::FakeEnv()
    : EnvWrapper(&platform::env()),
      previous_(platform::set_env(this)),
      std_handles_{target()->std_handle(StdStream::kInput), kOutputHandle, kErrorHandle} {}

FakeEnv::~FakeEnv() { platform::set_env(previous_); }

NativeHandle FakeEnv::std_handle(StdStream stream) {
  return std_handles_[static_cast<int>(stream)];
}

void FakeEnv::set_std_handle(StdStream stream, NativeHandle handle) {
  std_handles_[static_cast<int>(stream)] = handle;
}

bool FakeEnv::write_bytes(NativeHandle handle, const char* data, size_t size) {
  if (handle == kOutputHandle) {
    output.append(data, size);
    return true;
  }
  if (handle == kErrorHandle) {
    error_output.append(data, size);
    return true;
  }
  return target()->write_bytes(handle, data, size);
}

void FakeEnv::sleep_ms(uint32_t milliseconds) {
  sleeps.push_back(milliseconds);
  if (real_sleep) platform::system_env().sleep_ms(milliseconds);
}

void FakeEnv::message_box(const std::string& text, const std::string& caption) {
  boxes.emplace_back(text, caption);
}

int FakeEnv::error_dialog(const std::string& message, const std::string& severity, bool can_default,
                          uint32_t retry_flag, uint32_t break_flag) {
  dialogs.push_back({message, severity, can_default, retry_flag, break_flag});
  return on_dialog ? on_dialog(dialogs.back()) : dialog_answer;
}

void FakeEnv::tone(uint32_t frequency, uint32_t duration) {
  tones.emplace_back(frequency, duration);
}

}  // namespace kx::test
