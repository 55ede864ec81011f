#include "runtime/process/dialogs.h"

#include "platform/env.h"

namespace kx {

bool window_station_visible() { return platform::env().window_station_visible(); }

void show_message_box(const std::string& text, const std::string& caption) {
  if (!window_station_visible()) return;
  platform::env().message_box(text, caption);
}

int show_error_dialog(const std::string& message, const std::string& severity, bool can_default,
                      uint32_t retry_flag, uint32_t break_flag) {
  if (!window_station_visible()) return kChoiceQuit;
  return platform::env().error_dialog(message, severity, can_default, retry_flag, break_flag);
}

void play_tone(uint32_t frequency, uint32_t duration) { platform::env().tone(frequency, duration); }

void internal_error(const std::string& text) { show_message_box(text, kInternalErrorCaption); }

}  // namespace kx
