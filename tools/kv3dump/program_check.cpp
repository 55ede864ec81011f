#include "kv3dump/program_check.h"

#include <cstdio>
#include <memory>

#include "platform/file.h"
#include "platform/platform.h"
#include "tables/bytes.h"

namespace kx::kv3dump {
namespace {

// A version resource begins with its key in UTF-16, padded to a four-byte
// boundary, and then the fixed file information, which begins with this
// signature and its structure version, then the file version's high and
// low double words.
constexpr std::string_view kVersionKey{"V\0S\0_\0V\0E\0R\0S\0I\0O\0N\0_\0I\0N\0F\0O\0\0\0", 32};
constexpr std::string_view kFixedSignature{"\xBD\x04\xEF\xFE", 4};
constexpr size_t kFixedFields = 16;  // signature, structure version, file version

// Programs are a few MiB; a file far larger is no program of ours.
constexpr uint64_t kLargestProgram = 64u << 20;

std::string read_whole(const std::string& path, uint64_t* size) {
  std::unique_ptr<platform::RandomAccessFile> file;
  if (!platform::open_random_access(path, platform::OpenOptions{}, &file).ok() ||
      !file->size(size).ok() || *size > kLargestProgram) {
    return "";
  }
  std::string bytes(*size, '\0');
  size_t got = 0;
  if (!file->read_at(0, bytes.data(), bytes.size(), &got).ok()) return "";
  bytes.resize(got);
  return bytes;
}

}  // namespace

std::string version_resource(std::string_view image) {
  for (size_t key = image.find(kVersionKey); key != std::string_view::npos;
       key = image.find(kVersionKey, key + 1)) {
    const size_t fixed = image.find(kFixedSignature, key + kVersionKey.size());
    if (fixed == std::string_view::npos) return "";
    if (fixed > key + kVersionKey.size() + 3 || image.size() - fixed < kFixedFields) continue;
    const auto* bytes = reinterpret_cast<const uint8_t*>(image.data() + fixed);
    const uint32_t high = tables::decode_le32(bytes + 8), low = tables::decode_le32(bytes + 12);
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u", high >> 16, high & 0xFFFF, low >> 16);
    std::string version = text;
    if ((low & 0xFFFF) != 0) version += "." + std::to_string(low & 0xFFFF);
    return version;
  }
  return "";
}

ProgramCheck check_program(const std::string& program_folder) {
  ProgramCheck p;
  p.name = platform::path_separator() == '\\' ? "kursexport.exe" : "kursexport";
  const std::string path = program_folder + p.name;
  p.found = platform::path_kind(path) == platform::PathKind::kFile;
  if (!p.found) return p;
  p.version = version_resource(read_whole(path, &p.size));
  platform::LocalDateTime t;
  if (platform::file_modified(path, &t)) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    p.modified = text;
  }
  return p;
}

}  // namespace kx::kv3dump
