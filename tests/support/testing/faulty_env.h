// An Env that makes one chosen read of a table, memo or index file fail
// once, fail from then on, or come back short, so tests can watch what the
// table driver and the program do with an I/O fault on a given file. The
// files it opens are the wrapped Env's, each wrapped in turn; every other
// call goes to the Env it wraps.
//
// Reads are counted per plan: the Nth read_at call (1-based) among those on
// files whose path contains the plan's path part (letter case ignored; an
// empty part counts every read). With announce set, the first firing writes
// one line to the wrapped Env's standard error: "fault seam: read N of PATH
// failed" (or "... cut short").
//
// Only tests and the test-only program kursexport_faults (tests/fault_program)
// use it; the shipped program holds none of it.
#ifndef KX_TESTS_SUPPORT_TESTING_FAULTY_ENV_H_
#define KX_TESTS_SUPPORT_TESTING_FAULTY_ENV_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/env.h"

namespace kx::test {

enum class ReadFault {
  kNone,
  kFailOnce,        // the Nth read fails; later reads succeed
  kFailPersistent,  // the Nth read and every later counted read fail
  kShort,           // the Nth read returns success with half the bytes asked for
};

struct ReadFaultPlan {
  ReadFault fault = ReadFault::kNone;
  uint64_t nth = 1;
  std::string path_part;
};

// "once:N", "always:N" or "short:N", optionally followed by ":" and a path
// part ("once:3:M_KURSMA.CDX"; the part may itself hold colons). nullopt for
// any other text, or N of 0.
std::optional<ReadFaultPlan> parse_read_fault(std::string_view text);

class FaultyEnv : public platform::EnvWrapper {
 public:
  // Wraps the process's Env and installs itself in its place until it is
  // destroyed. Reads pass through until a plan is armed.
  FaultyEnv();
  ~FaultyEnv() override;

  // Replaces any earlier plan and restarts the count.
  void arm(const ReadFaultPlan& plan, bool announce = false);
  void disarm() { arm(ReadFaultPlan()); }

  // Path of the file whose read the armed plan last failed or cut short;
  // empty when it has not fired since it was armed.
  const std::string& fired_path() const { return fired_path_; }

  platform::FileResult open_random_access(
      const std::string& path, const platform::OpenOptions& options,
      std::unique_ptr<platform::RandomAccessFile>* file) override;

  // What a read of the file named path does now (counting it when the plan
  // counts it).
  enum class Action { kRead, kFail, kShort };
  Action before_read(const std::string& path);

 private:
  void announce(const std::string& path, Action action) const;

  platform::Env* const previous_;
  ReadFaultPlan plan_;
  bool announce_ = false;
  uint64_t counted_ = 0;
  std::string fired_path_;
};

}  // namespace kx::test

#endif  // KX_TESTS_SUPPORT_TESTING_FAULTY_ENV_H_
