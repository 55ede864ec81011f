#include "support/testing/child_process.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/env.h"

namespace kx::test {

std::string scratch_path(const std::string& leaf) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "global";
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  const auto folder = std::filesystem::temp_directory_path() / "kx-tests" / name;
  std::filesystem::create_directories(folder);
  return (folder / leaf).string();
}

void redirect_stdout_to(const std::string& path) {
  platform::Env& env = platform::env();
  platform::NativeHandle h = platform::kInvalidHandle;
  // A file that cannot be made leaves the child writing to no handle; its
  // output then comes back empty and the test comparing it fails.
  (void)env.create_file(path, &h);
  env.set_std_handle(platform::StdStream::kOutput, h);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace kx::test
