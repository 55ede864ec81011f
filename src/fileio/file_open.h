// FILEOPEN: reads a file by byte position (raw text, bytes, little-endian
// words and longs, raw blocks) with positioning by offset and origin.
#ifndef KX_FILEIO_FILE_OPEN_H_
#define KX_FILEIO_FILE_OPEN_H_

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "runtime/values/value.h"

namespace kx {

// The default open mode: read access, others free to read and write.
inline constexpr uint32_t kFileOpenDefaultMode = 0x40;
// The longest text READSTR reads; a longer request reads nothing.
inline constexpr int64_t kReadStrLimit = int64_t{64} * 1024 * 1024;

// Seek origins.
inline constexpr uint32_t kSeekFromStart = 0;
inline constexpr uint32_t kSeekFromCurrent = 1;
inline constexpr uint32_t kSeekFromEnd = 2;

// The reader is open exactly when its handle is not null. Each operation
// registers on the activation stack under module "Class  File", and each
// low-level file operation records its outcome as the process's last file
// error (runtime/errors/file_error.h). Positions and sizes are 32-bit signed: the
// low 32 bits of a larger value.
class FILEOPEN : public Object {
 public:
  // Opens path as INIT does; a failed open ends the process.
  explicit FILEOPEN(const std::string& path, uint32_t mode = kFileOpenDefaultMode);
  // Closes the handle when the reader is still open.
  ~FILEOPEN() override;
  FILEOPEN(const FILEOPEN&) = delete;
  FILEOPEN& operator=(const FILEOPEN&) = delete;

  std::string class_name() const override { return "FILEOPEN"; }

  // Opens path with mode (passed unchanged to the platform's flags open),
  // measures the size and moves to offset 0. A reader that is already open
  // is closed first. On failure the handle is null, the size 0, and
  // ERROROCCUR("Error opening file " + path) ends the process.
  FILEOPEN& INIT(const std::string& path, uint32_t mode = kFileOpenDefaultMode);
  // Closes the handle; nothing when not open.
  void CLOSE();
  bool ISOPEN() const;
  // Whether the position is at or past the end of the file; true when not open.
  bool ISEOF() const;
  // Exactly n bytes from the position, blanks (code 32) where the file ended.
  // Empty when not open, when n <= 0, or when n exceeds kReadStrLimit (then
  // nothing is read and the last file error is kErrNotEnoughMemory).
  std::string READSTR(int64_t n);
  // The next byte 0 to 255; -1 when no byte was read (end of file, closed).
  int32_t READBYTE();
  // Two bytes read as READSTR(2) does, little-endian: 8224 at end of file;
  // 0 when not open.
  uint16_t READWORD();
  // Four bytes read as READSTR(4) does, little-endian two's complement:
  // 538976288 at end of file; 0 when not open.
  int32_t READLONG();
  // Reads up to n bytes into buffer, which must hold n bytes; the count
  // read. 0 when n is 0, buffer is null or the reader is not open.
  uint32_t READBLOCK(void* buffer, uint32_t n);
  // Whether the process's most recent low-level file operation failed: the
  // reader's own, or another one of the process's, such as the error log's.
  bool ISERROR() const;
  // The current offset; -1 when not open or when the position is unknown.
  int32_t POSITION() const;
  // Moves to offset from the start when open; returns offset in any case.
  int32_t POSITION(int32_t offset);
  // The size measured at opening; -1 when it could not be measured.
  int32_t SIZE() const;
  // Moves by offset from origin (kSeekFrom...) and returns the new position;
  // 0 when not open; -1 when the move fails (a position before the start, an
  // origin above 2), with the last file error set.
  int32_t SEEK(int32_t offset, uint32_t origin);
  // SEEK(offset, kSeekFromStart).
  int32_t GOTO(int32_t offset);

 private:
  // Reads up to n bytes at the position; the count read.
  uint32_t read_into(char* buffer, uint32_t n);

  platform::NativeHandle PHANDLE = platform::kNullHandle;
  std::string CFILEPATH;
  int32_t LISIZE = 0;
};

}  // namespace kx

#endif  // KX_FILEIO_FILE_OPEN_H_
