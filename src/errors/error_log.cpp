#include "errors/error_log.h"

#include <cstdio>

#include "platform/env.h"
#include "platform/file_names.h"
#include "runtime/errors/error_settings.h"
#include "runtime/errors/error_texts.h"
#include "runtime/errors/file_error.h"
#include "runtime/process/dialogs.h"
#include "runtime/process/run_stamp.h"
#include "runtime/process/secrets.h"
#include "runtime/text/ascii.h"
#include "runtime/text/text.h"
#include "runtime/values/type_names.h"

namespace kx {
namespace {

using platform::NativeHandle;

void put(NativeHandle h, const std::string& text) { recorded_write(h, text + "\r\n"); }

std::string hex8(uint32_t v) { return hex_digits(v, 8); }

std::string text_of(const Value& v) { return mask_secrets(value_text(v)); }
std::string number(uint32_t v) { return text_of(Value::number(v)); }
std::string logic(bool v) { return text_of(Value::logic(v)); }
std::string masked(const std::string& s) { return mask_secrets(s); }

// A processor-exception record carries the exception information as a
// symbol whose name is its hexadecimal value.
uint32_t symbol_number(Symbol s) {
  unsigned long v = 0;
  return std::sscanf(s.name().c_str(), "%lx", &v) == 1 ? static_cast<uint32_t>(v) : 0;
}

void put_middle_fields(NativeHandle h, const ERROR& e) {
  if (e.SUBCODE == kSubcodeException) {
    put(h, "ExceptionCode   :" + hex8(e.OSCODE));
    put(h, "ExceptionFlags  :" + hex8(e.ARGTYPE));
    put(h, "ExceptionAddress:" + hex8(static_cast<uint32_t>(e.FUNCPTR)));
    put(h, "ParamNumber     :" + number(e.ARGNUM));
    put(h, "ExceptionInfo   :" + hex8(symbol_number(e.FUNCSYM)));
    return;
  }
  put(h, "OsCode          :" + number(e.OSCODE));
  put(h, "ArgType         :" + type_name(e.ARGTYPE));
  put(h, "FuncPtr         :" + text_of(Value::pointer(static_cast<uint32_t>(e.FUNCPTR))));
  put(h, "ArgNum          :" + number(e.ARGNUM));
  put(h, "FuncSym         :" + masked(e.FUNCSYM.name()));
}

void put_fields(NativeHandle h, const ERROR& e) {
  put(h, "SubSystem       :" + masked(e.SUBSYSTEM));
  put(h, "SubCode         :" + number(e.SUBCODE));
  put(h, "GenCode         :" + generic_error_text(e.GENCODE));
  put_middle_fields(h, e);
  put(h, "Severity        :" + number(e.SEVERITY));
  put(h, "CanDefault      :" + logic(e.CANDEFAULT));
  put(h, "CanRetry        :" + logic(e.CANRETRY));
  put(h, "CanSubstitute   :" + logic(e.CANSUBSTITUTE));
  put(h, "Operation       :" + masked(e.OPERATION));
  put(h, "Description     :" + masked(e.DESCRIPTION));
  put(h, "FileName        :" + masked(e.FILENAME));
  put(h, "Tries           :" + number(e.TRIES));
  put(h, "FileHandle      :" + number(e.FILEHANDLE));
  put(h, "SubCodeText     :" + masked(e.SUBCODETEXT));
  put(h, "Arg             :" + masked(e.ARG));
  put(h, "ArgTypeReq      :" + type_name(e.ARGTYPEREQ));
  put(h, "MaxSize         :" + number(e.MAXSIZE));
  put(h, "SubstituteType  :" + type_name(e.SUBSTITUTETYPE));
  put(h, "CallFuncSym     :" + masked(e.CALLFUNCSYM.name()));
}

bool folder_missing(uint32_t os_error) {
  if (os_error == platform::kErrPathNotFound) return true;
  // POSIX reports a missing folder like a missing file.
  return os_error == platform::kErrFileNotFound &&
         platform::path_kind_any_case(error_log_folder()) != platform::PathKind::kDirectory;
}

void report_missing_folder() {
  ErrorSettings& s = error_settings();
  std::string text;
  if (!s.default_dir.empty()) {
    text = "SetDefaultDir: " + s.default_dir;
    s.default_dir.clear();
  } else {
    text = "SetDefault: " + s.default_path;
    s.default_path.clear();
  }
  internal_error(text);
}

}  // namespace

std::string error_log_path() { return error_log_folder() + kErrorLogName; }

NativeHandle OPENERRORLOG() {
  const std::string path = error_log_path();
  NativeHandle existing = platform::kInvalidHandle;
  const platform::FileResult opened =
      recorded_open(path, platform::OpenMode::kWriteOnly, true, &existing);
  if (opened.ok()) {
    recorded_seek(existing, 0, 2);
    put(existing, "");
    return existing;
  }
  // Creating truncates: a log that exists but cannot be opened now (held by
  // another process, no permission) is skipped rather than emptied.
  if (opened.os_error != platform::kErrFileNotFound &&
      opened.os_error != platform::kErrPathNotFound) {
    return platform::kInvalidHandle;
  }
  NativeHandle created = platform::kInvalidHandle;
  const platform::FileResult made = recorded_create(path, &created);
  if (!made.ok() && folder_missing(made.os_error)) report_missing_folder();
  return created;
}

void WRITEERRORLOG(NativeHandle h, const std::string& message, const ERROR& error) {
  put(h, "***********************ERROR********************************");
  put(h, version_text());
  const platform::LocalDateTime now = clock_now();
  put(h, date_text(today(now)) + " " + time_text(now));
  put(h, "Application: " + platform::executable_path());
  put(h, " ");
  put(h, "Error message:");
  put(h, "--------------");
  put(h, mask_secrets(message));
  put(h, "Error Object created:");
  put(h, "--------------------");
  put_fields(h, error);
  put(h, "--------------------");
}

}  // namespace kx
