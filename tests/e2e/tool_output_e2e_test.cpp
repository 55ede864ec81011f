// The tools write their results on standard output. When that output cannot
// be written (a reader that closed the pipe, a full disk) they say so on
// standard error and end with a non-zero status, rather than dying of
// SIGPIPE or passing a cut-off result off as a whole one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/program_runner.h"
#include "support/pos_installation.h"

namespace kx::e2e {
namespace {

namespace fs = std::filesystem;

std::string from_env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

struct ToolCase {
  const char* label;
  std::string tool;
  std::vector<std::string> args;
  Output output;
  int status;
};

TEST(ToolOutputTest, FailedWriteOfStandardOutputIsReportedWithNonZeroStatus) {
  const std::string kv3dump = from_env("KX_KV3DUMP");
  const std::string mkdemo = from_env("KX_MKDEMO");
  if (kv3dump.empty() || mkdemo.empty()) GTEST_SKIP() << "KX_KV3DUMP or KX_MKDEMO names no tool";
  const std::string folder =
      (fs::temp_directory_path() / "kx-e2e" / ("ToolOutputTest." + std::to_string(::getpid())))
          .string();
  fs::remove_all(folder);
  fs::create_directories(folder);
  ASSERT_TRUE(
      test::write_currency_table(folder + "/", {{1, "IDR", "Rupiah"}, {2, "USD", "Dollar"}}));
  const std::string table = folder + "/M_MAUANG.KV3";
  const std::string demo = folder + "/demo";

  const ToolCase cases[] = {
      {"kv3dump, output read", kv3dump, {table}, Output::kPipe, 0},
      {"kv3dump, reader gone", kv3dump, {table}, Output::kClosedPipe, 3},
      {"kv3dump, disk full", kv3dump, {table}, Output::kFull, 3},
      {"mkdemo, output read", mkdemo, {demo}, Output::kPipe, 0},
      {"mkdemo, reader gone", mkdemo, {demo}, Output::kClosedPipe, 1},
      {"mkdemo, disk full", mkdemo, {demo}, Output::kFull, 1},
  };
  for (const ToolCase& c : cases) {
    RunOptions options;
    options.args = c.args;
    options.output = c.output;
    options.native = true;
    const RunResult run = run_program(c.tool, folder, 30, options);
    EXPECT_EQ(run.status, c.status) << c.label << ": " << how_it_ended(run) << "\n" << run.err;
    const bool said = run.err.find(": cannot write standard output") != std::string::npos;
    EXPECT_EQ(said, c.status != 0) << c.label << ": " << run.err;
  }
  fs::remove_all(folder);
}

}  // namespace
}  // namespace kx::e2e
