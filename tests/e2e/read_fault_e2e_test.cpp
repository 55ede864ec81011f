// The program when a read of one of its files fails once, fails from then
// on, or comes back short: every read of each file in turn. The run ends
// with the error page naming the file, or, where the driver reads again
// (a tag header, which another application may be rewriting), with the
// undamaged report; never with another report.
//
// Runs kursexport_faults, the program with the read-fault seam armed from
// KX_FAULT_READ, named by KX_FAULT_PROGRAM. Where there is none (the wine
// lane, which runs only the shipped program) these tests skip.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>

#include "e2e/installation_fixture.h"

namespace kx::e2e {
namespace {

constexpr uint64_t kMaxReads = 400;

const char* const kFiles[] = {"KELVARO.DIR",  "M_KONTRO.KV3", "M_MAUANG.KV3",
                              "M_MAUANG.CDX", "M_KURSMA.KV3", "M_KURSMA.CDX"};

bool fired(const RunResult& run) { return run.err.find("fault seam: read ") != std::string::npos; }

// Whether text names file, in any letter case (the program opens the index
// as the table's base name with extension "cdx").
bool names(std::string text, std::string file) {
  for (std::string* s : {&text, &file}) {
    for (char& c : *s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return text.find(file) != std::string::npos;
}

class ReadFaultTest : public InstallationFixture {
 protected:
  void SetUp() override {
    InstallationFixture::SetUp();
    if (HasFatalFailure()) return;
    if (fault_program().empty()) {
      GTEST_SKIP() << "KX_FAULT_PROGRAM names no program with the read-fault seam";
    }
    const RunResult probe =
        run_case("probe", nullptr, {kErrorPage | kReport}, nullptr, false, "always:1:KELVARO.DIR");
    ASSERT_TRUE(fired(probe)) << "the fault program ignored KX_FAULT_READ: " << probe.err;
  }

  // Fails read n = 1, 2, ... of file in mode until a run no longer reaches
  // read n; returns how many runs ended with the error page.
  int sweep(const std::string& mode, const std::string& file) {
    // The case folders' names must not contain the file's name, or the
    // path part would match every file in them.
    std::string label = file + "-" + mode + "-";
    label[label.find('.')] = '_';
    const int failed_before = failures();
    int pages = 0;
    uint64_t n = 1;
    for (; n <= kMaxReads; ++n) {
      const std::string plan = mode + ":" + std::to_string(n) + ":" + file;
      // A read that comes back short is believed only when the file's size
      // agrees; it is made again and the run goes on.
      const bool may_recover =
          mode == "short" || (mode != "always" && file.find(".CDX") != std::string::npos);
      const RunResult run = run_case(
          label + std::to_string(n), nullptr, {kErrorPage | kReport, true},
          [&](const Classified& c, const RunResult& r) -> std::string {
            if (!fired(r)) return c.outcome == kReport ? "" : "no fault, yet no report";
            if (!names(r.err, file)) return "the fault fell on another file: " + r.err;
            if (c.outcome == kReport)
              return may_recover ? "" : "a report although read " + std::to_string(n) + " failed";
            const std::string named = page_file_name(c.failure);
            return names(named, file) ? "" : "the error page names \"" + named + "\"";
          },
          false, plan);
      if (!fired(run) || failures() > failed_before) break;
      if (classify(run.out).outcome == kErrorPage) ++pages;
    }
    EXPECT_LE(n, kMaxReads) << "the run kept reading " << file;
    EXPECT_TRUE(n > 1 || failures() > failed_before) << "no read of " << file << " was counted";
    return pages;
  }
};

TEST_F(ReadFaultTest, ReadFailingOnce) {
  for (const char* file : kFiles) EXPECT_GT(sweep("once", file), 0) << file;
}

TEST_F(ReadFaultTest, ReadFailingFromThenOn) {
  for (const char* file : kFiles) EXPECT_GT(sweep("always", file), 0) << file;
}

TEST_F(ReadFaultTest, ReadComingBackShortIsReadAgain) {
  for (const char* file : kFiles) EXPECT_EQ(sweep("short", file), 0) << file;
}

// kursexport itself has no use for KX_FAULT_READ: with a plan that would
// fail its first read it prints the undamaged report and nothing else.
class ShippedProgramTest : public InstallationFixture {};

TEST_F(ShippedProgramTest, IgnoresTheReadFaultVariable) {
  const CaseFolder folder(root(), "shipped", program(), data());
  ::setenv("KX_FAULT_READ", "always:1", 1);
  const RunResult run = folder.run();
  ::unsetenv("KX_FAULT_READ");
  EXPECT_EQ(judge(run, {kReport, true}, reference()), "");
  EXPECT_EQ(run.err, "");
  folder.remove();
}

}  // namespace
}  // namespace kx::e2e
