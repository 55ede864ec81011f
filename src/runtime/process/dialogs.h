// The runtime's user-facing signals: the plain message box, the error dialog
// and the tone. Each goes to the process's Env (platform/env.h); tests
// install a fake one so that no real dialog or beep ever happens.
//
// A message box needs someone to answer it. Where the process's window
// station is not visible (a service without desktop interaction, as when a
// web server starts the program), no message box is shown: the error dialog
// answers quit at once and the plain message box is skipped.
#ifndef KX_RUNTIME_PROCESS_DIALOGS_H_
#define KX_RUNTIME_PROCESS_DIALOGS_H_

#include <cstdint>
#include <string>

namespace kx {

// The error dialog's answers.
constexpr int kChoiceDefault = 1;
constexpr int kChoiceRetry = 2;
constexpr int kChoiceQuit = 3;

// The break flag that the error dialog receives: kBreakFlagBase alone, or
// with kBreakFlagPossible when a recovery point is active.
constexpr uint32_t kBreakFlagBase = 0x80000000u;
constexpr uint32_t kBreakFlagPossible = 0x80000003u;

// Whether a message box can be seen and answered (Env::window_station_visible).
bool window_station_visible();

// A modal message with one OK button; nothing where the window station is
// not visible.
void show_message_box(const std::string& text, const std::string& caption);
// Shows message under a caption naming the severity word; returns the
// choice: kChoiceDefault, kChoiceRetry or anything else for quit. Where the
// window station is not visible, shows nothing and returns kChoiceQuit.
int show_error_dialog(const std::string& message, const std::string& severity, bool can_default,
                      uint32_t retry_flag, uint32_t break_flag);
// A short tone.
void play_tone(uint32_t frequency, uint32_t duration);

// The runtime's internal error: a failure of the runtime's own machinery that
// no error record can describe (the error handler cannot raise an error
// without calling itself again). It is shown to the user, and the caller
// carries on with its failure result.
inline constexpr const char* kInternalErrorCaption = "Internal error";

// Shows text in a message box captioned kInternalErrorCaption.
void internal_error(const std::string& text);

}  // namespace kx

#endif  // KX_RUNTIME_PROCESS_DIALOGS_H_
