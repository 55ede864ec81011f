#include "tables/expr/tag_key.h"

#include <gtest/gtest.h>

#include <memory>

#include "tables/cdx/cdx_format.h"
#include "tables/cdx/key_encoding.h"
#include "tables/expr/expr_test_util.h"

namespace kx::tables::expr {
namespace {

std::string bytes(std::initializer_list<int> list) {
  std::string out;
  for (int b : list) out += static_cast<char>(b);
  return out;
}

class TagKeyTest : public ::testing::Test {
 protected:
  // The key of expression in a machine-collation tag of key_length bytes.
  std::string key(const std::string& expression, uint16_t key_length, bool nullable = false) {
    cdx::TagInfo tag;
    tag.name = "T";
    tag.key_length = key_length;
    tag.signature = cdx::kSignatureMachine;
    tag.nullable = nullable;
    tag.options =
        cdx::kOptionCompact | cdx::kOptionCompound | (nullable ? cdx::kOptionNullable : 0);
    Status status;
    std::unique_ptr<Expression> e = Expression::compile(expression, record_.fields, &status);
    if (!e) return "<compile: " + status.description() + ">";
    KeyPlan plan;
    status = plan_key(tag, *e, &plan);
    if (!status.ok()) return "<plan: " + status.description() + ">";
    Datum value;
    std::string out;
    status = e->evaluate(record_, &value);
    if (status.ok()) status = make_key(plan, value, &out);
    if (!status.ok()) return "<key: " + status.description() + ">";
    return out;
  }

  FakeRecord record_;
};

TEST_F(TagKeyTest, CharacterKeysArePaddedWithBlanksOrCut) {
  EXPECT_EQ(key("ALLTRIM(name)", 6), "Abc   ");
  EXPECT_EQ(key("name+name", 7), "Abc  Ab");
  EXPECT_EQ(key("STR(id)+STR(qty)", 20), "        42        13");
}

TEST_F(TagKeyTest, NumbersUseTheEightByteEncodingUnlessABareIntegerField) {
  EXPECT_EQ(key("qty", 8), cdx::encode_numeric(12.5));
  EXPECT_EQ(key("id", 4), cdx::encode_integer(42));
  EXPECT_EQ(key("id*10000+qty", 8), cdx::encode_numeric(420012.5));
  EXPECT_EQ(key("id+0", 8), cdx::encode_numeric(42));
  EXPECT_EQ(key("price", 8), cdx::encode_numeric(-2.675));
}

TEST_F(TagKeyTest, DatesDatetimesAndLogicals) {
  EXPECT_EQ(key("day", 8), cdx::encode_date(Date::from_ymd(2024, 2, 29)));
  // 06:00 is a quarter of the day after the Julian day number.
  EXPECT_EQ(key("stamp", 8), cdx::encode_numeric(2460370.25));
  EXPECT_EQ(key("flag", 1), "T");
  EXPECT_EQ(key(".NOT.flag", 1), "F");
}

TEST_F(TagKeyTest, NullableTagsLeadWithTheIndicatorAndNullIsAllZero) {
  EXPECT_EQ(key("id", 5, true), bytes({0x80, 0x80, 0, 0, 42}));
  EXPECT_EQ(key("day", 9, true), "\x80" + cdx::encode_date(Date::from_ymd(2024, 2, 29)));
  EXPECT_EQ(key("name", 6, true),
            "\x80"
            "Abc  ");
  EXPECT_EQ(key("nothing", 6, true), std::string(6, '\0'));
  EXPECT_EQ(key("numnull", 9, true), std::string(9, '\0'));
  EXPECT_EQ(key("nothing", 5), "<key: NULL key in a tag without NULL keys>");
}

TEST_F(TagKeyTest, KeyLengthMustSuitTheType) {
  EXPECT_EQ(key("qty", 4), "<plan: key length 4 does not fit number keys>");
  EXPECT_EQ(key("id", 8), "<plan: key length 8 does not fit integer keys>");
  EXPECT_EQ(key("day", 8, true),
            "<plan: key length 8 does not fit date keys with a NULL indicator>");
  EXPECT_EQ(key("flag", 2), "<plan: key length 2 does not fit logical keys>");
  EXPECT_EQ(key("name", 1, true).rfind("<plan: key length 1", 0), 0u);
}

TEST(TagKeyPlanTest, OtherCollationsAndBitmapTagsAreRefused) {
  cdx::TagInfo tag;
  tag.key_length = 20;
  tag.signature = cdx::kSignatureCollated;
  tag.collation = "GENERAL";
  EXPECT_EQ(can_build_keys(tag).description(),
            "tag under collation GENERAL: only machine-collation tags are checked");
  tag.signature = cdx::kSignatureBitmap;
  EXPECT_EQ(can_build_keys(tag).description(), "bitmap tag");
}

TEST(TagKeyPlanTest, FillFollowsTheKeyType) {
  FakeRecord r;
  Status status;
  cdx::TagInfo tag;
  tag.signature = cdx::kSignatureMachine;
  tag.key_length = 8;
  KeyPlan plan;
  ASSERT_TRUE(plan_key(tag, *Expression::compile("DTOS(day)", r.fields, &status), &plan).ok());
  EXPECT_EQ(plan.fill, ' ');
  ASSERT_TRUE(plan_key(tag, *Expression::compile("day", r.fields, &status), &plan).ok());
  EXPECT_EQ(plan.fill, '\0');
  tag.nullable = true;
  tag.key_length = 9;
  ASSERT_TRUE(plan_key(tag, *Expression::compile("DTOS(day)", r.fields, &status), &plan).ok());
  EXPECT_EQ(plan.fill, '\0');
}

}  // namespace
}  // namespace kx::tables::expr
