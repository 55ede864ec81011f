#include <gtest/gtest.h>

#include "platform/env.h"
#include "runtime/process/process_state.h"

namespace {

// The readers wait a few milliseconds before they read again a file that
// disagrees with itself; in the unit tests those waits pass at once, so that
// the many cases of damage that stays do not each cost the waiting.
class NoWaitEnv : public kx::platform::EnvWrapper {
 public:
  NoWaitEnv() : EnvWrapper(&kx::platform::env()) { kx::platform::set_env(this); }
  void sleep_ms(uint32_t) override {}
};

// Every test starts from the run-time state of a new process: no table, no
// console, no handler or setting left over from the test before.
class CleanProcessState : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { kx::reset_process_state(); }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  static NoWaitEnv no_wait;
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  ::testing::UnitTest::GetInstance()->listeners().Append(new CleanProcessState);
  return RUN_ALL_TESTS();
}
