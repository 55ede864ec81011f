// The default error handler: in force from process start until start-up
// installs the program's own handler. It fails softly, retries or quits as
// the user chooses in the error dialog, and logs each error it shows.
#ifndef KX_ERRORS_DEFAULT_HANDLER_H_
#define KX_ERRORS_DEFAULT_HANDLER_H_

#include "runtime/values/value.h"

namespace kx {

// The tones played before the dialog when the beep setting is on.
constexpr uint32_t kBeepTones[] = {440, 494, 523};

// Handles value, an ERROR record or (wrapped first into a record of generic
// code 28 through the static error structure) any other value:
// - an open that may fail softly and met a sharing or lock violation sets
//   the network-error flag and returns false;
// - otherwise beeps (when set), logs (when set), shows the error dialog and
//   returns what the choice asks for: a substitute (the empty value of
//   SUBSTITUTETYPE) or false for the default, true for a retry;
// - on quit it breaks out to the recovery point when one is active, else
//   sets the exit status to the generic code, closes all work areas and ends
//   the process through the orderly exit.
// The record is updated in place (SEVERITY, CANRETRY, STACK).
Value DEFERROR(const Value& value);

}  // namespace kx

#endif  // KX_ERRORS_DEFAULT_HANDLER_H_
