// The program file of a program folder: whether it is there, and which
// build it is.
#ifndef KX_TOOLS_KV3DUMP_PROGRAM_CHECK_H_
#define KX_TOOLS_KV3DUMP_PROGRAM_CHECK_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace kx::kv3dump {

struct ProgramCheck {
  std::string name;  // kursexport.exe on Windows, kursexport elsewhere
  bool found = false;
  std::string version;   // from its version resource; empty when it has none
  uint64_t size = 0;     // bytes
  std::string modified;  // YYYY-MM-DD HH:MM:SS, local time
};

// The program as the web application would start it from program_folder
// (which ends with a separator).
ProgramCheck check_program(const std::string& program_folder);

// The file version that a Windows program's version resource holds, as
// "1.2.3" (with a fourth part when it is not 0); empty when image holds
// no version resource.
std::string version_resource(std::string_view image);

}  // namespace kx::kv3dump

#endif  // KX_TOOLS_KV3DUMP_PROGRAM_CHECK_H_
