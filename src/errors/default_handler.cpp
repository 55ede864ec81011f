#include "errors/default_handler.h"

#include "errors/call_stack.h"
#include "errors/error_factory.h"
#include "errors/error_log.h"
#include "errors/error_message.h"
#include "errors/error_record.h"
#include "platform/platform.h"
#include "runtime/errors/break_out.h"
#include "runtime/errors/error_settings.h"
#include "runtime/errors/file_error.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/dialogs.h"
#include "runtime/process/exit.h"
#include "runtime/process/secrets.h"
#include "runtime/process/work_area_query.h"
#include "runtime/text/text.h"
#include "runtime/values/empty_value.h"

namespace kx {
namespace {

constexpr uint32_t kSeverityWarning = 1;
constexpr uint32_t kSeverityError = 2;
constexpr uint32_t kSeverityPointerSubstitute = 3;
constexpr uint32_t kRetryFlag = 2;

// A record for a value that is not one, made as the factory makes every
// record.
Value wrap_in_record(const Value& value) {
  RuntimeError details;
  details.gencode = kGenWrongClass;
  details.severity = kSeverityError;
  details.funcsym = Symbol::intern("DEFERROR");
  details.arg = value_text(value);
  details.argnum = 1;
  details.can_default = true;
  return make_record_from_details(details);
}

bool soft_sharing_failure(const ERROR& e) {
  return e.CANDEFAULT && e.GENCODE == kGenOpen &&
         (e.OSCODE == platform::kErrSharingViolation || e.OSCODE == platform::kErrLockViolation);
}

void append_to_log(const std::string& message, const ERROR& e) {
  const platform::NativeHandle h = OPENERRORLOG();
  if (h == platform::kInvalidHandle) return;
  recorded_seek(h, 0, 2);
  WRITEERRORLOG(h, message, e);
  recorded_close(h);
}

[[noreturn]] void quit(const Value& record, const ERROR& e) {
  platform::reset_fpu();
  if (recovery_point_active()) break_out(record);
  set_exit_status(static_cast<int>(e.GENCODE));
  close_all_work_areas();
  orderly_exit();
}

}  // namespace

Value DEFERROR(const Value& value) {
  Value record = as_error(value) ? value : wrap_in_record(value);
  ERROR* e = as_error(record);
  if (e == nullptr) return Value::logic(false);  // the factory could make no record

  if (soft_sharing_failure(*e)) {
    set_network_error(true);
    return Value::logic(false);
  }
  const std::string severity = e->SEVERITY == kSeverityWarning ? "WARNING" : "ERROR";
  if (e->SUBSTITUTETYPE == kTypePointer) e->SEVERITY = kSeverityPointerSubstitute;
  std::string message = ERRORMESSAGE(*e);
  if (e->STACK.empty()) e->STACK = CALLSTACKTEXT(1);
  message += "CallStack:\r\n" + mask_secrets(e->STACK);

  if (error_settings().beep) {
    for (uint32_t frequency : kBeepTones) play_tone(frequency, 1);
  }
  const bool default_flag = e->CANDEFAULT || e->CANSUBSTITUTE;
  uint32_t retry_flag = 0;
  if (e->CANRETRY) {
    if (e->GENCODE == kGenNoVarMethod) {
      e->CANRETRY = false;
    } else {
      retry_flag = kRetryFlag;
    }
  }
  const uint32_t break_flag = recovery_point_active() ? kBreakFlagPossible : kBreakFlagBase;
  if (error_settings().error_log) append_to_log(message, *e);

  const int choice = show_error_dialog(message, severity, default_flag, retry_flag, break_flag);
  if (choice == kChoiceDefault) {
    return e->CANSUBSTITUTE ? empty_value(e->SUBSTITUTETYPE) : Value::logic(false);
  }
  if (choice == kChoiceRetry) return Value::logic(true);
  quit(record, *e);
}

}  // namespace kx
