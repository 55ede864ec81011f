#include "fileio/file_open.h"

#include <algorithm>

#include "errors/json_objects.h"
#include "platform/env.h"
#include "runtime/errors/file_error.h"
#include "runtime/process/activation.h"

namespace kx {
namespace {

using platform::kInvalidHandle;
using platform::kNullHandle;
using platform::NativeHandle;

// Positions and sizes are kept in 32 bits; a larger value keeps its low
// 32 bits and -1 stays -1.
int32_t to_int32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

// Descriptor 0 (possible on POSIX when standard input is closed) equals the
// null handle, which means "not open"; a second open made while the first is
// still held cannot get descriptor 0 again.
platform::FileResult open_not_null(const std::string& path, uint32_t mode, NativeHandle* handle) {
  platform::Env& env = platform::env();
  NativeHandle first = kInvalidHandle;
  const platform::FileResult opened = env.open_file_flags(path, mode, &first);
  if (first != kNullHandle) {
    *handle = first;
    return opened;
  }
  const platform::FileResult again = env.open_file_flags(path, mode, handle);
  env.close_file(first);
  return again;
}

int64_t seek_recorded(NativeHandle handle, int64_t offset, uint32_t origin) {
  return recorded_seek(handle, offset, static_cast<int>(origin));
}

// One read asks for at most this much, so that the count always fits the
// platform's signed result on a 32-bit system.
constexpr uint32_t kReadChunk = 1024 * 1024;

// The bytes of text as a little-endian number; a missing byte counts as 0.
uint32_t le_value(const std::string& text) {
  uint32_t value = 0;
  const size_t width = std::min<size_t>(text.size(), 4);
  for (size_t i = 0; i < width; ++i) {
    value |= uint32_t{static_cast<unsigned char>(text[i])} << (8 * i);
  }
  return value;
}

}  // namespace

FILEOPEN::FILEOPEN(const std::string& path, uint32_t mode) { INIT(path, mode); }

// Not one of the reader's operations: it neither registers nor records a
// file error, it only keeps a handle from outliving its reader.
FILEOPEN::~FILEOPEN() {
  if (PHANDLE != kNullHandle) platform::env().close_file(PHANDLE);
}

FILEOPEN& FILEOPEN::INIT(const std::string& path, uint32_t mode) {
  Activation activation("FILEOPEN:INIT", kModuleFile);
  if (PHANDLE != kNullHandle) CLOSE();
  activation.at(2);
  CFILEPATH = path;
  activation.at(3);
  NativeHandle handle = kInvalidHandle;
  set_last_file_error(open_not_null(CFILEPATH, mode, &handle).os_error);
  if (handle == kInvalidHandle || handle == kNullHandle) {
    activation.at(4);
    PHANDLE = kNullHandle;
    LISIZE = 0;
    activation.at(5);
    ERROROCCUR("Error opening file " + path);
  }
  PHANDLE = handle;
  activation.at(6);
  LISIZE = to_int32(seek_recorded(PHANDLE, 0, kSeekFromEnd));
  activation.at(7);
  seek_recorded(PHANDLE, 0, kSeekFromStart);
  activation.at(8);
  return *this;
}

void FILEOPEN::CLOSE() {
  Activation activation("FILEOPEN:CLOSE", kModuleFile);
  if (PHANDLE == kNullHandle) return;
  activation.at(2);
  recorded_close(PHANDLE);
  activation.at(3);
  PHANDLE = kNullHandle;
}

bool FILEOPEN::ISOPEN() const {
  Activation activation("FILEOPEN:ISOPEN", kModuleFile);
  return PHANDLE != kNullHandle;
}

// A position or size that cannot be learnt counts as the end, so that a loop
// reading until the end stops.
bool FILEOPEN::ISEOF() const {
  Activation activation("FILEOPEN:ISEOF", kModuleFile);
  if (PHANDLE == kNullHandle) return true;
  activation.at(2);
  const int64_t position = seek_recorded(PHANDLE, 0, kSeekFromCurrent);
  if (position < 0) return true;
  activation.at(3);
  uint64_t size = 0;
  const platform::FileResult known = platform::env().file_size(PHANDLE, &size);
  set_last_file_error(known.os_error);
  return !known.ok() || static_cast<uint64_t>(position) >= size;
}

bool FILEOPEN::ISERROR() const {
  Activation activation("FILEOPEN:ISERROR", kModuleFile);
  return last_file_error() != platform::kErrNone;
}

int32_t FILEOPEN::POSITION() const {
  Activation activation("FILEOPEN:POSITION:ACCESS", kModuleFile);
  if (PHANDLE == kNullHandle) return -1;
  activation.at(2);
  return to_int32(seek_recorded(PHANDLE, 0, kSeekFromCurrent));
}

int32_t FILEOPEN::POSITION(int32_t offset) {
  Activation activation("FILEOPEN:POSITION:ASSIGN", kModuleFile);
  if (PHANDLE != kNullHandle) {
    activation.at(2);
    seek_recorded(PHANDLE, offset, kSeekFromStart);
  }
  activation.at(3);
  return offset;
}

int32_t FILEOPEN::SIZE() const {
  Activation activation("FILEOPEN:SIZE:ACCESS", kModuleFile);
  return LISIZE;
}

// The platform reads an unknown origin as the start on one system and
// refuses it on the other; it is refused here before it gets there.
int32_t FILEOPEN::SEEK(int32_t offset, uint32_t origin) {
  Activation activation("FILEOPEN:SEEK", kModuleFile);
  if (PHANDLE == kNullHandle) return 0;
  activation.at(2);
  if (origin > kSeekFromEnd) {
    set_last_file_error(platform::kErrInvalidParameter);
    return -1;
  }
  activation.at(3);
  return to_int32(seek_recorded(PHANDLE, offset, origin));
}

int32_t FILEOPEN::GOTO(int32_t offset) {
  Activation activation("FILEOPEN:GOTO", kModuleFile);
  return SEEK(offset, kSeekFromStart);
}

// A short count from a file means its end was reached, so the loop only
// goes on while every chunk comes back full. The platform's single read
// reports no error code; a failed read counts as a read fault.
uint32_t FILEOPEN::read_into(char* buffer, uint32_t n) {
  uint32_t got = 0;
  uint32_t os_error = platform::kErrNone;
  while (got < n) {
    const uint32_t want = std::min(n - got, kReadChunk);
    const long count = platform::env().read_once(PHANDLE, buffer + got, want);
    if (count < 0) {
      os_error = platform::kErrReadFault;
      break;
    }
    const uint32_t read = std::min(static_cast<uint32_t>(count), want);
    got += read;
    if (read < want) break;
  }
  set_last_file_error(os_error);
  return got;
}

std::string FILEOPEN::READSTR(int64_t n) {
  Activation activation("FILEOPEN:READSTR", kModuleFile);
  if (PHANDLE == kNullHandle || n <= 0) return std::string();
  activation.at(2);
  if (n > kReadStrLimit) {
    set_last_file_error(platform::kErrNotEnoughMemory);
    return std::string();
  }
  std::string text(static_cast<size_t>(n), ' ');
  activation.at(3);
  read_into(text.data(), static_cast<uint32_t>(n));
  activation.at(4);
  return text;
}

// Reads the byte itself rather than through READSTR(1): a blank there could
// not tell a byte of value 32 from no byte at all.
int32_t FILEOPEN::READBYTE() {
  Activation activation("FILEOPEN:READBYTE", kModuleFile);
  if (PHANDLE == kNullHandle) return -1;
  activation.at(2);
  char byte = 0;
  if (read_into(&byte, 1) == 0) return -1;
  activation.at(3);
  return static_cast<unsigned char>(byte);
}

uint16_t FILEOPEN::READWORD() {
  Activation activation("FILEOPEN:READWORD", kModuleFile);
  const std::string bytes = READSTR(2);
  activation.at(2);
  return static_cast<uint16_t>(le_value(bytes));
}

int32_t FILEOPEN::READLONG() {
  Activation activation("FILEOPEN:READLONG", kModuleFile);
  const std::string bytes = READSTR(4);
  activation.at(2);
  return static_cast<int32_t>(le_value(bytes));
}

uint32_t FILEOPEN::READBLOCK(void* buffer, uint32_t n) {
  Activation activation("FILEOPEN:READBLOCK", kModuleFile);
  if (PHANDLE == kNullHandle || n == 0 || buffer == nullptr) return 0;
  activation.at(2);
  return read_into(static_cast<char*>(buffer), n);
}

}  // namespace kx
