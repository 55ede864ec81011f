#include "runtime/dialogs.h"

#include "platform/platform.h"

namespace kx {
namespace {

MessageBoxFn& message_box_slot() {
  static MessageBoxFn fn;
  return fn;
}

ErrorDialogFn& error_dialog_slot() {
  static ErrorDialogFn fn;
  return fn;
}

ToneFn& tone_slot() {
  static ToneFn fn;
  return fn;
}

WindowStationQueryFn& window_station_slot() {
  static WindowStationQueryFn fn;
  return fn;
}

}  // namespace

void set_message_box(MessageBoxFn fn) { message_box_slot() = std::move(fn); }
void set_error_dialog(ErrorDialogFn fn) { error_dialog_slot() = std::move(fn); }
void set_tone(ToneFn fn) { tone_slot() = std::move(fn); }
void set_window_station_query(WindowStationQueryFn fn) { window_station_slot() = std::move(fn); }

bool window_station_visible() {
  if (window_station_slot()) return window_station_slot()();
  return platform::window_station_visible();
}

void show_message_box(const std::string& text, const std::string& caption) {
  if (!window_station_visible()) return;
  if (message_box_slot()) {
    message_box_slot()(text, caption);
  } else {
    platform::message_box(text, caption);
  }
}

int show_error_dialog(const std::string& message, const std::string& severity, bool can_default,
                      uint32_t retry_flag, uint32_t break_flag) {
  if (!window_station_visible()) return kChoiceQuit;
  if (error_dialog_slot())
    return error_dialog_slot()(message, severity, can_default, retry_flag, break_flag);
  return platform::error_dialog(message, severity, can_default, retry_flag, break_flag);
}

void play_tone(uint32_t frequency, uint32_t duration) {
  if (tone_slot()) {
    tone_slot()(frequency, duration);
  } else {
    platform::tone(frequency, duration);
  }
}

}  // namespace kx
