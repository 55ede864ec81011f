#include "runtime/errors/break_out.h"

#include <gtest/gtest.h>

#include "support/testing/child_process.h"

namespace kx {
namespace {

TEST(BreakOutTest, InnermostRecoveryPointCatchesAndActivityFollowsTheScope) {
  EXPECT_FALSE(recovery_point_active());
  bool inner_active = false;
  const auto outer = with_recovery_point([&] {
    const auto inner = with_recovery_point([&] {
      inner_active = recovery_point_active();
      break_out(Value::integer(1));
    });
    EXPECT_EQ(inner->as_integer(), 1);
    EXPECT_TRUE(recovery_point_active());
  });
  EXPECT_TRUE(inner_active);
  EXPECT_FALSE(outer.has_value());
  EXPECT_FALSE(recovery_point_active());
}

TEST(BreakOutTest, WithoutRecoveryPointTheProcessEndsInOrder) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(break_out(Value::integer(1)), 0, out);
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace kx
