#include "tables/cdx/key_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace kx::tables::cdx {
namespace {

std::string bytes(std::initializer_list<int> list) {
  std::string out;
  for (int b : list) out += static_cast<char>(b);
  return out;
}

TEST(CdxKeyEncodingTest, WorkedValuesOfTheFormatNotes) {
  EXPECT_EQ(encode_integer(1), bytes({0x80, 0, 0, 1}));
  EXPECT_EQ(encode_integer(0), bytes({0x80, 0, 0, 0}));
  EXPECT_EQ(encode_integer(-1), bytes({0x7F, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(encode_numeric(45), bytes({0xC0, 0x46, 0x80, 0, 0, 0, 0, 0}));
  EXPECT_EQ(encode_numeric(0), bytes({0x80, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(encode_numeric(-1), bytes({0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(encode_numeric(-2), bytes({0x3F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(encode_date(Date::from_ymd(1996, 7, 4)),
            bytes({0xC1, 0x42, 0xB1, 0xAE, 0x80, 0, 0, 0}));
  EXPECT_EQ(encode_logical(false), "F");
  EXPECT_EQ(encode_logical(true), "T");
}

TEST(CdxKeyEncodingTest, NegativeZeroGivesTheKeyOfZero) {
  EXPECT_EQ(encode_numeric(-0.0), encode_numeric(0.0));
}

TEST(CdxKeyEncodingTest, ByteOrderFollowsNumericOrder) {
  const std::vector<double> values = {-1e300, -45.5, -2, -1, -0.25, 0,
                                      1e-300, 0.25,  1,  2,  45,    1e300};
  for (size_t i = 1; i < values.size(); ++i) {
    EXPECT_LT(encode_numeric(values[i - 1]), encode_numeric(values[i])) << values[i];
  }
  const std::vector<int32_t> ints = {INT32_MIN, -65536, -1, 0, 1, 255, 256, INT32_MAX};
  for (size_t i = 1; i < ints.size(); ++i) {
    EXPECT_LT(encode_integer(ints[i - 1]), encode_integer(ints[i])) << ints[i];
  }
}

TEST(CdxKeyEncodingTest, DecodingRestoresTheValue) {
  for (double v : {-123.456, -1.0, 0.0, 0.5, 7.0, 2450269.0}) {
    EXPECT_EQ(decode_numeric(encode_numeric(v)), v);
  }
  for (int32_t v : {INT32_MIN, -2, 0, 3, INT32_MAX})
    EXPECT_EQ(decode_integer(encode_integer(v)), v);
  const Date d = Date::from_ymd(2024, 2, 29);
  EXPECT_EQ(decode_date(encode_date(d)), d);
  EXPECT_TRUE(decode_date(encode_date(Date()))->empty());
  EXPECT_EQ(decode_logical("T"), true);
  EXPECT_EQ(decode_logical("F"), false);
  EXPECT_FALSE(decode_numeric("1234").has_value());
  EXPECT_FALSE(decode_integer("12345678").has_value());
}

TagInfo tag(uint16_t key_length, bool nullable = false) {
  TagInfo t;
  t.key_length = key_length;
  t.nullable = nullable;
  t.signature = 1;
  return t;
}

TEST(CdxSeekKeyTest, StringsAreBytesCutToTheKeyLength) {
  EXPECT_EQ(encode_seek_key(tag(18), Value::string("0000000012024")), "0000000012024");
  EXPECT_EQ(encode_seek_key(tag(4), Value::string("ABCDEF")), "ABCD");
  EXPECT_EQ(encode_seek_key(tag(4), Value()), "");
}

TEST(CdxSeekKeyTest, NumbersFollowTheKeyWidth) {
  EXPECT_EQ(encode_seek_key(tag(4), Value::integer(-1)), encode_integer(-1));
  EXPECT_EQ(encode_seek_key(tag(8), Value::integer(45)), encode_numeric(45));
  EXPECT_EQ(encode_seek_key(tag(8), Value::floating(2.5)), encode_numeric(2.5));
  // A fraction sought in an integer key lands on the next whole number.
  EXPECT_EQ(encode_seek_key(tag(4), Value::floating(2.5)), encode_integer(3));
  EXPECT_EQ(encode_seek_key(tag(4), Value::floating(-2.5)), encode_integer(-2));
  EXPECT_EQ(encode_seek_key(tag(4), Value::floating(1e12)), encode_integer(INT32_MAX));
}

TEST(CdxSeekKeyTest, DatesAndLogicals) {
  const Date d = Date::from_ymd(1996, 7, 4);
  EXPECT_EQ(encode_seek_key(tag(8), Value::date(d)), encode_date(d));
  EXPECT_EQ(encode_seek_key(tag(1), Value::logic(true)), "T");
}

TEST(CdxSeekKeyTest, NullableTagsGetTheIndicatorByte) {
  const Date d = Date::from_ymd(1996, 7, 4);
  EXPECT_EQ(encode_seek_key(tag(9, true), Value::date(d)),
            bytes({0x80, 0xC1, 0x42, 0xB1, 0xAE, 0x80, 0, 0, 0}));
  EXPECT_EQ(encode_seek_key(tag(5, true), Value::integer(1)), bytes({0x80, 0x80, 0, 0, 1}));
  EXPECT_EQ(encode_seek_key(tag(6, true), Value::string("ALFKI")),
            "\x80"
            "ALFKI");
  EXPECT_EQ(encode_seek_key(tag(3, true), Value::string("ALFKI")),
            "\x80"
            "AL");
}

TEST(CdxSeekKeyTest, ValuesThatCannotBeKeys) {
  EXPECT_FALSE(encode_seek_key(tag(4), Value::array({})).has_value());
}

}  // namespace
}  // namespace kx::tables::cdx
