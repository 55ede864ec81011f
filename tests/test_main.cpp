#include <gtest/gtest.h>

#include "runtime/process/process_state.h"

namespace {

// Every test starts from the run-time state of a new process: no table, no
// console, no handler or setting left over from the test before.
class CleanProcessState : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { kx::reset_process_state(); }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  ::testing::UnitTest::GetInstance()->listeners().Append(new CleanProcessState);
  return RUN_ALL_TESTS();
}
