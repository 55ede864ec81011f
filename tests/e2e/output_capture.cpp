#include "e2e/output_capture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace kx::e2e {

void keep_run_output(const std::string& program, const std::string& out) {
  const char* folder = std::getenv("KX_E2E_OUTPUT_DIR");
  if (folder == nullptr || *folder == '\0') return;
  if (std::filesystem::path(program).filename().string().rfind("kursexport", 0) != 0) return;
  static unsigned long runs = 0;
  std::string test = "no-test";
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
    test = std::string(info->test_suite_name()) + "." + info->name();
  }
  for (char& c : test) {
    if (c == '/') c = '_';
  }
  const std::filesystem::path path =
      std::filesystem::path(folder) /
      (std::to_string(::getpid()) + "-" + std::to_string(++runs) + "-" + test + ".out");
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::ofstream file(path, std::ios::binary);
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  if (!file.flush()) std::cerr << "[ outputs  ] cannot write " << path.string() << "\n";
}

}  // namespace kx::e2e
