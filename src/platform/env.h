// What the program asks of the world, in one object: standard handles, files,
// the clock, dialogs and tones, the window station, the OS version and the
// network. The program reaches all of these through env(), never through the
// free functions of platform.h, so that a test can put another Env in place
// of the operating system's.
#ifndef KX_PLATFORM_ENV_H_
#define KX_PLATFORM_ENV_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file.h"
#include "platform/network.h"
#include "platform/platform.h"

namespace kx::platform {

// Each call has the contract of the free function of the same name in
// platform.h; the others are described here. Callers that want a name in any
// letter case use the helpers of platform/file_names.h.
class Env {
 public:
  Env() = default;
  Env(const Env&) = delete;
  Env& operator=(const Env&) = delete;
  virtual ~Env() = default;

  // ---- Standard handles and byte writes ----
  // The process's standard handle (kNullHandle when the process has none).
  virtual NativeHandle std_handle(StdStream stream) = 0;
  // Replaces a standard handle for the rest of the process.
  virtual void set_std_handle(StdStream stream, NativeHandle handle) = 0;
  virtual bool write_bytes(NativeHandle handle, const char* data, size_t size) = 0;
  virtual long read_once(NativeHandle handle, char* buffer, size_t size) = 0;

  // ---- Files ----
  // Table, memo and index files: opened under exactly that name and read at
  // offsets through the object returned (file.h).
  virtual FileResult open_random_access(const std::string& path, const OpenOptions& options,
                                        std::unique_ptr<RandomAccessFile>* file) = 0;
  virtual PathKind path_kind(const std::string& path) = 0;
  virtual std::string case_variant(const std::string& path) = 0;
  // Handles, for the binary file reader and the error log.
  virtual FileResult open_file(const std::string& path, OpenMode mode, bool shared,
                               NativeHandle* handle) = 0;
  virtual FileResult open_file_flags(const std::string& path, uint32_t flags,
                                     NativeHandle* handle) = 0;
  virtual FileResult create_file(const std::string& path, NativeHandle* handle) = 0;
  virtual void close_file(NativeHandle handle) = 0;
  virtual FileResult file_size(NativeHandle handle, uint64_t* size) = 0;
  virtual FileResult seek_file(NativeHandle handle, int64_t offset, int origin,
                               int64_t* position) = 0;

  // ---- Time ----
  // The local date and time.
  virtual LocalDateTime local_now() = 0;
  virtual void sleep_ms(uint32_t milliseconds) = 0;

  // ---- The system and its user ----
  // GetVersionExA's platform identifier (2 for the NT family; POSIX answers
  // 2); 0 when unknown.
  virtual uint32_t os_platform_id() = 0;
  // Whether the process's window station is visible, that is, has a desktop
  // where someone can see and answer a message box (Win32: the WSF_VISIBLE
  // flag of the process's window station; a failed query counts as
  // visible). POSIX: always true.
  virtual bool window_station_visible() = 0;
  // A modal message box with one OK button (MessageBoxA, style 0). POSIX:
  // the caption and text on standard error.
  virtual void message_box(const std::string& text, const std::string& caption) = 0;
  // Error dialog: shows message under a caption holding severity; returns 1
  // (take the default), 2 (retry) or 3 (quit). POSIX: writes the severity
  // and the message to standard error and answers quit.
  virtual int error_dialog(const std::string& message, const std::string& severity,
                           bool can_default, uint32_t retry_flag, uint32_t break_flag) = 0;
  // A short tone (Win32 Beep; nothing on POSIX).
  virtual void tone(uint32_t frequency, uint32_t duration) = 0;
  // The connector to network shares; lives as long as the Env.
  virtual NetworkConnector& network_connector() = 0;
};

// The process's Env: system_env() unless another is installed.
Env& env();
// The operating system's Env; lives for the whole process.
Env& system_env();
// Installs env (not owned; it must outlive its installation) as the
// process's Env; nullptr puts system_env() back. Returns what was installed
// before (nullptr for system_env()).
Env* set_env(Env* env);

// An Env that hands every call to another (not owned); derive from it and
// override the calls to change.
class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env* target) : target_(target) {}
  Env* target() const { return target_; }

  NativeHandle std_handle(StdStream stream) override { return target_->std_handle(stream); }
  void set_std_handle(StdStream stream, NativeHandle handle) override {
    target_->set_std_handle(stream, handle);
  }
  bool write_bytes(NativeHandle handle, const char* data, size_t size) override {
    return target_->write_bytes(handle, data, size);
  }
  long read_once(NativeHandle handle, char* buffer, size_t size) override {
    return target_->read_once(handle, buffer, size);
  }
  FileResult open_random_access(const std::string& path, const OpenOptions& options,
                                std::unique_ptr<RandomAccessFile>* file) override {
    return target_->open_random_access(path, options, file);
  }
  PathKind path_kind(const std::string& path) override { return target_->path_kind(path); }
  std::string case_variant(const std::string& path) override { return target_->case_variant(path); }
  FileResult open_file(const std::string& path, OpenMode mode, bool shared,
                       NativeHandle* handle) override {
    return target_->open_file(path, mode, shared, handle);
  }
  FileResult open_file_flags(const std::string& path, uint32_t flags,
                             NativeHandle* handle) override {
    return target_->open_file_flags(path, flags, handle);
  }
  FileResult create_file(const std::string& path, NativeHandle* handle) override {
    return target_->create_file(path, handle);
  }
  void close_file(NativeHandle handle) override { target_->close_file(handle); }
  FileResult file_size(NativeHandle handle, uint64_t* size) override {
    return target_->file_size(handle, size);
  }
  FileResult seek_file(NativeHandle handle, int64_t offset, int origin,
                       int64_t* position) override {
    return target_->seek_file(handle, offset, origin, position);
  }
  LocalDateTime local_now() override { return target_->local_now(); }
  void sleep_ms(uint32_t milliseconds) override { target_->sleep_ms(milliseconds); }
  uint32_t os_platform_id() override { return target_->os_platform_id(); }
  bool window_station_visible() override { return target_->window_station_visible(); }
  void message_box(const std::string& text, const std::string& caption) override {
    target_->message_box(text, caption);
  }
  int error_dialog(const std::string& message, const std::string& severity, bool can_default,
                   uint32_t retry_flag, uint32_t break_flag) override {
    return target_->error_dialog(message, severity, can_default, retry_flag, break_flag);
  }
  void tone(uint32_t frequency, uint32_t duration) override { target_->tone(frequency, duration); }
  NetworkConnector& network_connector() override { return target_->network_connector(); }

 private:
  Env* const target_;
};

}  // namespace kx::platform

#endif  // KX_PLATFORM_ENV_H_
