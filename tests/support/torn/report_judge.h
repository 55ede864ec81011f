// A reader's result on one state, and its judgement against the finished
// states of the writer's window: every member line must be one that some
// finished state gives (a currency's buy and sell rate the same state).
#ifndef KX_TESTS_SUPPORT_TORN_REPORT_JUDGE_H_
#define KX_TESTS_SUPPORT_TORN_REPORT_JUDGE_H_

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/torn/pos_content.h"

namespace kx::test {

struct ReaderRun {
  bool complete = false;  // a complete report
  std::string failure;    // what it printed instead: "error page: ...", "error object", ...
  // Member lines in the order printed, Aktif_Jam left out; for a failure
  // those of the report begun before it.
  std::vector<std::pair<std::string, std::string>> members;
  std::string output;  // what the reader printed, for messages
};

// The program's standard output parsed as the report contract describes it.
ReaderRun parse_program_output(const std::string& out);

struct Verdict {
  std::vector<std::string> wrong;  // "KursBeli_USD:2000012.25", ...
  size_t unavoidable = 0;          // lines only the files as they stand explain (see state_view.h)
};

// A failure's text with its numbers (offsets, counts) replaced by "#", so
// that like failures count together.
std::string failure_class(const std::string& failure);

// window: the members of each finished state the run may show. view, asked
// only when a line is not explained, gives the members of the files as they
// stand when no reader could tell them from a finished state.
Verdict judge(const ReaderRun& run, const std::vector<ReportMembers>& window,
              const std::function<std::optional<ReportMembers>()>& view);

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TORN_REPORT_JUDGE_H_
