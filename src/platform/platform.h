// The operating system's facilities as free functions: posix/ and win32/
// implement them; nothing outside src/platform/ includes an OS header. The
// program reaches standard handles, files, the clock, dialogs and the network
// through platform::env() (platform/env.h), whose system Env calls these.
#ifndef KX_PLATFORM_PLATFORM_H_
#define KX_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kx::platform {

struct OpenOptions;
class RandomAccessFile;

// Operating-system error codes, always in Windows numbering (errno is mapped).
constexpr uint32_t kErrNone = 0;
constexpr uint32_t kErrFileNotFound = 2;
constexpr uint32_t kErrPathNotFound = 3;
constexpr uint32_t kErrTooManyOpenFiles = 4;
constexpr uint32_t kErrAccessDenied = 5;
constexpr uint32_t kErrInvalidHandle = 6;
constexpr uint32_t kErrNotEnoughMemory = 8;
constexpr uint32_t kErrWriteProtect = 19;
constexpr uint32_t kErrWriteFault = 29;
constexpr uint32_t kErrReadFault = 30;
constexpr uint32_t kErrGenFailure = 31;
constexpr uint32_t kErrSharingViolation = 32;
constexpr uint32_t kErrLockViolation = 33;
constexpr uint32_t kErrHandleEof = 38;
constexpr uint32_t kErrFileExists = 80;
constexpr uint32_t kErrInvalidParameter = 87;
constexpr uint32_t kErrDiskFull = 112;
constexpr uint32_t kErrInvalidName = 123;
constexpr uint32_t kErrAlreadyExists = 183;

// The outcome of a file call: the operating system's code in the numbering
// above, kErrNone on success. What the call produces comes back through an
// out-parameter.
struct [[nodiscard]] FileResult {
  uint32_t os_error = kErrNone;
  bool ok() const { return os_error == kErrNone; }
};

// A file or console handle: a file descriptor on POSIX, a HANDLE on Win32.
using NativeHandle = std::intptr_t;
constexpr NativeHandle kInvalidHandle = -1;
constexpr NativeHandle kNullHandle = 0;

// ---- Standard handles (platform::env()) and byte writes ----

enum class StdStream { kInput, kOutput, kError };

// Writes all bytes; true when every byte was written. Short writes are not retried.
bool write_bytes(NativeHandle handle, const char* data, size_t size);
// Reads once, up to size bytes; the count read, or -1 on failure.
long read_once(NativeHandle handle, char* buffer, size_t size);

// ---- Console (all of these do nothing where the handle is not a console) ----

struct ConsoleCoord {
  int16_t x = 0;
  int16_t y = 0;
};

struct ConsoleCursor {
  uint32_t size = 0;
  bool visible = false;
};

// Creates a console for a process that has none; true on success.
bool console_allocate();
// Detaches the process from its console.
void console_detach();
bool console_buffer_size(NativeHandle out, ConsoleCoord* size);
bool console_largest_window(NativeHandle out, ConsoleCoord* size);
bool console_set_buffer_size(NativeHandle out, ConsoleCoord size);
bool console_set_window(NativeHandle out, int16_t left, int16_t top, int16_t right, int16_t bottom);
bool console_cursor_position(NativeHandle out, ConsoleCoord* pos);
bool console_set_cursor_position(NativeHandle out, ConsoleCoord pos);
bool console_cursor(NativeHandle out, ConsoleCursor* cursor);
bool console_set_cursor(NativeHandle out, ConsoleCursor cursor);
bool console_text_attribute(NativeHandle out, uint16_t* attribute);
bool console_set_text_attribute(NativeHandle out, uint16_t attribute);
// Reads the title through a buffer of buffer_size characters; empty when none.
std::string console_title(size_t buffer_size);
bool console_set_title(const std::string& title);
// Fills the screen buffer with blanks in the current attribute, cursor to 0,0.
bool console_clear(NativeHandle out);
// Waits for a released key with a non-zero character (its code), a mouse
// event with a button down (128), or a failure (-1).
int console_wait_key(NativeHandle in);

// ---- Files ----

enum class PathKind { kMissing, kFile, kDirectory };

// What lies at exactly path (GetFileAttributesA / stat).
PathKind path_kind(const std::string& path);

// On POSIX, an entry of path's folder whose name differs from path's last
// component only in letter case (tables are often copied from Windows), found
// by listing the folder; empty when there is none. On Win32, where names
// ignore case, always empty.
std::string case_variant(const std::string& path);

// path itself when it exists, else its case variant when there is one, else
// path unchanged.
std::string resolve_case(const std::string& path);

// Opens an existing file under exactly that name for reading at offsets
// (file.h). On success *file holds it; on failure *file is null. On POSIX a
// folder or a pipe may open for reading; its reads then fail.
FileResult open_random_access(const std::string& path, const OpenOptions& options,
                              std::unique_ptr<RandomAccessFile>* file);

enum class OpenMode { kRead, kReadWrite, kWriteOnly };

// Handles for the binary file reader and the error log, which read and write
// in sequence. Each opens an existing file (exact name, or on POSIX a name
// that differs only in letter case). shared: others may read, write and
// delete while it is open (Win32 FILE_SHARE_READ|WRITE|DELETE; POSIX has no
// share modes). *handle is the open handle, kInvalidHandle on failure.
FileResult open_file(const std::string& path, OpenMode mode, bool shared, NativeHandle* handle);
// Opens with the runtime's raw flags word (0x40: read, deny none; low two bits
// 0 read, 1 write, 2 read-write; 0x10 deny all, 0x20 deny write).
FileResult open_file_flags(const std::string& path, uint32_t flags, NativeHandle* handle);
// Creates a new file (truncating an existing one), with the archive attribute.
FileResult create_file(const std::string& path, NativeHandle* handle);
void close_file(NativeHandle handle);

// *size is the current size of an open file; untouched on failure.
FileResult file_size(NativeHandle handle, uint64_t* size);
// Moves the file position (origin 0 start, 1 current, 2 end); *position is
// the new position, -1 on failure.
FileResult seek_file(NativeHandle handle, int64_t offset, int origin, int64_t* position);

// Moves a file handle into a scope; closes it when the scope ends.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(NativeHandle handle) : handle_(handle) {}
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() { reset(kInvalidHandle); }

  NativeHandle get() const { return handle_; }
  bool valid() const { return handle_ != kInvalidHandle; }
  NativeHandle release() {
    NativeHandle h = handle_;
    handle_ = kInvalidHandle;
    return h;
  }
  // Closes the handle held (through platform::env()) and holds handle.
  void reset(NativeHandle handle);

 private:
  NativeHandle handle_ = kInvalidHandle;
};

// ---- Process ----

// Prepares the process before anything else runs. POSIX: SIGPIPE is ignored,
// so that a write to a pipe whose reader has gone fails (and the run goes on)
// instead of ending the process; on Windows such a write already fails.
// Win32: the C runtime's standard output and error are binary, so that what
// the tools write through them goes out as written (a CSV's CR LF stays CR
// LF, not CR CR LF); the program's own writes never pass through them.
void prepare_process();

// Folder of the running executable, with the platform's separator at its end.
std::string program_folder();
// Full path of the running executable.
std::string executable_path();
// The platform's folder separator: '\\' on Win32, '/' on POSIX.
char path_separator();

// A local date and time (platform::env().local_now()).
struct LocalDateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// When the file at path was last written, in local time; false when there
// is no such file.
bool file_modified(const std::string& path, LocalDateTime* when);

// Suspends the calling thread for at least milliseconds (Sleep / nanosleep).
void sleep_ms(uint32_t milliseconds);

// Ends the process at once with status; runs no exit procedure.
[[noreturn]] void exit_process(int status);

// Restores the floating-point unit to its default state.
void reset_fpu();

}  // namespace kx::platform

#endif  // KX_PLATFORM_PLATFORM_H_
