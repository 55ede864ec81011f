// FILEOPEN: reads at the current position.
#include "fileio/file_open.h"

#include <algorithm>

#include "runtime/activation.h"
#include "runtime/file_error.h"

namespace kx {
namespace {

using platform::kNullHandle;

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

// A short count from a file means its end was reached, so the loop only
// goes on while every chunk comes back full. The platform's single read
// reports no error code; a failed read counts as a read fault.
uint32_t FILEOPEN::read_into(char* buffer, uint32_t n) {
  uint32_t got = 0;
  uint32_t os_error = platform::kErrNone;
  while (got < n) {
    const uint32_t want = std::min(n - got, kReadChunk);
    const long count = platform::read_once(PHANDLE, buffer + got, want);
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
