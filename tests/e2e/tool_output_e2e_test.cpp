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
#include "tablewriter/dbf_writer.h"
#include "tablewriter/pos_installation.h"

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
      writer::write_currency_table(folder + "/", {{1, "IDR", "Rupiah"}, {2, "USD", "Dollar"}}));
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

struct CommandCase {
  const char* label;
  std::string tool;
  std::vector<std::string> args;
  int status;
  std::string fragment;  // of standard output and standard error together
};

// Each command line of the tools ends with its documented status and says
// what it did or why it could not; mkdemo creates nothing it was not asked to.
TEST(ToolCommandLineTest, StatusAndMessageOfEachCommandLine) {
  const std::string kv3dump = from_env("KX_KV3DUMP");
  const std::string mkdemo = from_env("KX_MKDEMO");
  const std::string program = from_env("KX_PROGRAM");
  if (kv3dump.empty() || mkdemo.empty() || program.empty()) {
    GTEST_SKIP() << "KX_KV3DUMP, KX_MKDEMO or KX_PROGRAM names no program";
  }
  const std::string folder =
      (fs::temp_directory_path() / "kx-e2e" / ("ToolCommandLineTest." + std::to_string(::getpid())))
          .string();
  fs::remove_all(folder);
  fs::create_directories(folder);
  ASSERT_TRUE(writer::write_currency_table(folder + "/", {{1, "IDR", "Rupiah"}}));
  ASSERT_TRUE(writer::write_file(folder + "/plain-file", "x"));
  const std::string table = folder + "/M_MAUANG.KV3";
  const std::string demo = folder + "/demo";
  const std::string missing = folder + "/nonexistent/kursexport";
  const std::string mkdemo_usage = "usage: mkdemo [--name CODE=TEXT]... FOLDER [PROGRAM]\n";

  const CommandCase cases[] = {
      {"kv3dump --help", kv3dump, {"--help"}, 0, "\n  --verify       check every tag's keys"},
      {"kv3dump --version", kv3dump, {"--version"}, 0, "kv3dump 1."},
      {"kv3dump, unknown option", kv3dump, {"--bogus"}, 2, "unknown option --bogus"},
      {"kv3dump, no such table", kv3dump, {folder + "/NONE.KV3"}, 7, "no such file: "},
      {"kv3dump, a table",
       kv3dump,
       {table, "--csv"},
       0,
       "ID,KODE,NAMA,_deleted\r\n1,IDR,Rupiah,false\r\n"},
      {"mkdemo --help", mkdemo, {"--help"}, 0, mkdemo_usage},
      {"mkdemo -h", mkdemo, {"-h"}, 0, mkdemo_usage},
      {"mkdemo /?", mkdemo, {"/?"}, 0, mkdemo_usage},
      {"mkdemo --version", mkdemo, {"--version"}, 0, "mkdemo 1."},
      {"mkdemo, no folder", mkdemo, {}, 2, "mkdemo: no folder given\n"},
      {"mkdemo, unknown option", mkdemo, {demo, "--bogus"}, 2, "unknown option --bogus"},
      {"mkdemo, no such currency", mkdemo, {"--name", "XYZ=Name", demo}, 2, "no demo currency XYZ"},
      {"mkdemo, name too long",
       mkdemo,
       {"--name", "USD=" + std::string(31, 'x'), demo},
       2,
       "the name for USD is longer than 30 bytes"},
      {"mkdemo, extra argument", mkdemo, {demo, program, "extra"}, 2, "too many arguments: extra"},
      {"mkdemo, no such program",
       mkdemo,
       {demo, missing},
       1,
       "mkdemo: no such program: " + missing},
      {"mkdemo, a folder as program", mkdemo, {demo, folder}, 1, "is a directory, not a program"},
      {"mkdemo, folder under a file",
       mkdemo,
       {folder + "/plain-file/demo", program},
       1,
       "mkdemo: cannot create folder " + folder + "/plain-file/demo/tarvo: "},
      {"mkdemo, a demo",
       mkdemo,
       {demo, program},
       0,
       demo + "/tarvo/" + fs::path(program).filename().string() + "\n"},
  };
  for (const CommandCase& c : cases) {
    RunOptions options;
    options.args = c.args;
    options.native = true;
    const RunResult run = run_program(c.tool, folder, 30, options);
    EXPECT_EQ(run.status, c.status) << c.label << ": " << how_it_ended(run) << "\n" << run.err;
    EXPECT_NE((run.out + run.err).find(c.fragment), std::string::npos) << c.label << ":\n"
                                                                       << run.out << run.err;
    // Only the last case may create the demo folder.
    if (c.status != 0 || c.tool != mkdemo || c.args.size() < 2) {
      EXPECT_FALSE(fs::exists(demo)) << c.label;
    }
  }
  EXPECT_FALSE(fs::exists(folder + "/--help"));
  EXPECT_TRUE(fs::exists(demo + "/pos/KV3DB"));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace kx::e2e
