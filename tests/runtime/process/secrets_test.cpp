#include "runtime/process/secrets.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

// Each test starts with no secret registered (tests/test_main.cpp).
class SecretsTest : public ::testing::Test {};

TEST_F(SecretsTest, EveryOccurrenceIsMaskedAndAdjacentOnesTogether) {
  register_secret("abc");
  EXPECT_EQ(mask_secrets("abcXabcabc"), "********X********");
  EXPECT_EQ(mask_secrets("ab c"), "ab c");
}

TEST_F(SecretsTest, OverlappingSecretsAreCoveredWhole) {
  register_secret("abc");
  register_secret("cde");
  EXPECT_EQ(mask_secrets("xabcdex"), "x********x");
}

TEST_F(SecretsTest, MaskingTwiceChangesNothing) {
  register_secret("pw");
  register_secret("***");
  const std::string once = mask_secrets("a pw b *** c");
  EXPECT_EQ(once, "a ******** b ******** c");
  EXPECT_EQ(mask_secrets(once), once);
}

TEST_F(SecretsTest, LongerSecretIsMaskedWhole) {
  register_secret("pass");
  register_secret("password1");
  EXPECT_EQ(mask_secrets("user password1"), "user ********");
}

TEST_F(SecretsTest, EmptySecretIsIgnored) {
  register_secret("");
  EXPECT_EQ(mask_secrets("text"), "text");
}

}  // namespace
}  // namespace kx
