// One write call of a writer: bytes at an offset of one file of the data
// folder, or the file truncated to a length. A reader between two calls
// sees the file before or after each, never a mix.
#ifndef KX_TESTS_SUPPORT_TORN_WRITE_CALL_H_
#define KX_TESTS_SUPPORT_TORN_WRITE_CALL_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kx::test {

struct WriteCall {
  std::string file;  // file name in the data folder ("M_KURSMA.CDX")
  uint64_t offset = 0;
  std::string bytes;
  bool truncate = false;  // truncate the file to offset instead of writing bytes
};

// The data folder's files as bytes, by file name.
using FileImages = std::map<std::string, std::string>;

// Applies call to images (a write past the end fills the gap with zero bytes,
// as a file does).
void apply(const WriteCall& call, FileImages* images);

// Applies call to the file in folder (ending in a separator) with one
// pwrite or ftruncate. False with *error when it fails.
bool apply_to_folder(const WriteCall& call, const std::string& folder, std::string* error);

// Writes every image into folder, replacing the files. False with *error.
bool write_images(const FileImages& images, const std::string& folder, std::string* error);

// "M_KURSMA.CDX: 512 bytes at 0x1400" or "M_KURSMA.CDX: truncated to 0".
std::string describe(const WriteCall& call);

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TORN_WRITE_CALL_H_
