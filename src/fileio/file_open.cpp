// FILEOPEN: opening, closing, state queries and positioning.
#include "fileio/file_open.h"

#include "errors/json_objects.h"
#include "runtime/activation.h"
#include "runtime/file_error.h"

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
NativeHandle open_not_null(const std::string& path, uint32_t mode, uint32_t* os_error) {
  const NativeHandle first = platform::open_file_flags(path, mode, os_error);
  if (first != kNullHandle) return first;
  const NativeHandle second = platform::open_file_flags(path, mode, os_error);
  platform::close_file(first);
  return second;
}

int64_t seek_recorded(NativeHandle handle, int64_t offset, uint32_t origin) {
  return recorded_seek(handle, offset, static_cast<int>(origin));
}

}  // namespace

FILEOPEN::FILEOPEN(const std::string& path, uint32_t mode) { INIT(path, mode); }

// Not one of the reader's operations: it neither registers nor records a
// file error, it only keeps a handle from outliving its reader.
FILEOPEN::~FILEOPEN() {
  if (PHANDLE != kNullHandle) platform::close_file(PHANDLE);
}

FILEOPEN& FILEOPEN::INIT(const std::string& path, uint32_t mode) {
  Activation activation("FILEOPEN:INIT", kModuleFile);
  if (PHANDLE != kNullHandle) CLOSE();
  activation.at(2);
  CFILEPATH = path;
  activation.at(3);
  uint32_t os_error = platform::kErrNone;
  const NativeHandle handle = open_not_null(CFILEPATH, mode, &os_error);
  set_last_file_error(os_error);
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
  uint32_t os_error = platform::kErrNone;
  const bool known = platform::file_size(PHANDLE, &size, &os_error);
  set_last_file_error(os_error);
  return !known || static_cast<uint64_t>(position) >= size;
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

}  // namespace kx
