#include "tables/dbf/field_decode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace kx::tables::dbf {
namespace {

Field make_field(char type, uint8_t width, uint8_t decimals = 0) {
  Field f;
  f.name = "F";
  f.type = type;
  f.width = width;
  f.decimals = decimals;
  return f;
}

Value decode(char type, const std::string& bytes, uint8_t decimals = 0) {
  return decode_field(make_field(type, static_cast<uint8_t>(bytes.size()), decimals),
                      ByteView(bytes), ByteView());
}

void expect_float(const Value& v, double value, const std::string& text) {
  ASSERT_EQ(v.kind(), Kind::kFloat);
  EXPECT_DOUBLE_EQ(v.as_float().value, value);
  EXPECT_EQ(v.as_float().decimal, text);
}

void expect_integer(const Value& v, int32_t value) {
  ASSERT_EQ(v.kind(), Kind::kInteger);
  EXPECT_EQ(v.as_integer(), value);
}

std::string le(uint64_t v, size_t n) {
  std::string out(n, '\0');
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

TEST(DbfNumberTest, KeepsTheExactDecimalText) {
  expect_float(decode('N', "   1.005", 3), 1.005, "1.005");
  expect_float(decode('N', "  2.6750", 4), 2.675, "2.6750");
  expect_float(decode('N', " -.50", 2), -0.5, "-0.50");
  expect_float(decode('N', "  007.10", 2), 7.1, "7.10");
}

TEST(DbfNumberTest, ZeroDecimalNumericFittingIn32BitsIsAnInteger) {
  expect_integer(decode('N', "      42"), 42);
  expect_integer(decode('N', "+7"), 7);
  expect_integer(decode('N', " -2147483648"), -2147483647 - 1);
  expect_integer(decode('N', "  2147483647"), 2147483647);
}

TEST(DbfNumberTest, ValuesOutside32BitsOrWithFractionsAreFloats) {
  expect_float(decode('N', "  2147483648"), 2147483648.0, "2147483648");
  expect_float(decode('N', " -99999999999"), -99999999999.0, "-99999999999");
  expect_float(decode('N', "  1.5"), 1.5, "1.5");
  // F fields are floats even without decimals.
  expect_float(decode('F', "         5"), 5.0, "5");
}

TEST(DbfNumberTest, BlankOrUnreadableNumbersAreZero) {
  expect_integer(decode('N', "        "), 0);
  expect_integer(decode('N', std::string(6, '\0')), 0);
  expect_integer(decode('N', "******"), 0);
  expect_integer(decode('N', "  12a"), 0);
  expect_integer(decode('N', " 1.2.3"), 0);
  expect_integer(decode('N', "    -"), 0);
  expect_integer(decode('N', "  1 2"), 0);
  expect_float(decode('N', "        ", 2), 0.0, "0.00");
  expect_float(decode('N', "***.**", 2), 0.0, "0.00");
  expect_float(decode('F', "   ", 0), 0.0, "0");
}

TEST(DbfNumberTest, NegativeZeroLosesItsSign) {
  expect_float(decode('N', " -0.00", 2), 0.0, "0.00");
}

TEST(DbfFieldDecodeTest, CharacterKeepsTrailingBlanks) {
  EXPECT_EQ(decode('C', "USD  ").as_string(), "USD  ");
  EXPECT_EQ(decode('C', std::string("a\0b", 3)).as_string(), std::string("a\0b", 3));
}

TEST(DbfFieldDecodeTest, DatesBlankZeroOrImpossibleAreEmpty) {
  EXPECT_EQ(decode('D', "20260307").as_date(), Date::from_ymd(2026, 3, 7));
  EXPECT_TRUE(decode('D', "        ").as_date().empty());
  EXPECT_TRUE(decode('D', "00000000").as_date().empty());
  EXPECT_TRUE(decode('D', "20260230").as_date().empty());
  EXPECT_TRUE(decode('D', std::string(8, '\0')).as_date().empty());
  EXPECT_TRUE(decode('D', "2026 3 7").as_date().empty());
}

TEST(DbfFieldDecodeTest, LogicalTrueOnlyForTAndY) {
  for (const char* t : {"T", "t", "Y", "y"}) EXPECT_TRUE(decode('L', t).as_logic()) << t;
  for (const char* f : {"F", "f", "N", "n", " ", "?", "1"})
    EXPECT_FALSE(decode('L', f).as_logic()) << f;
}

TEST(DbfFieldDecodeTest, IntegerIsSignedLittleEndian) {
  expect_integer(decode('I', le(0xFFFFFFFF, 4)), -1);
  expect_integer(decode('I', le(10248, 4)), 10248);
}

TEST(DbfFieldDecodeTest, DoubleReadsBitsAndRejectsNonFinite) {
  double d = 1234.5;
  uint64_t bits = 0;
  std::memcpy(&bits, &d, 8);
  const Value v = decode('B', le(bits, 8));
  ASSERT_EQ(v.kind(), Kind::kFloat);
  EXPECT_EQ(v.as_float().value, 1234.5);
  expect_float(decode('B', le(0x7FF8000000000000ull, 8)), 0.0, "");
  expect_float(decode('B', le(0x7FF0000000000000ull, 8)), 0.0, "");
}

TEST(DbfFieldDecodeTest, CurrencyIsExactWithFourDecimals) {
  expect_float(decode('Y', le(12345, 8)), 1.2345, "1.2345");
  expect_float(decode('Y', le(static_cast<uint64_t>(-5), 8)), -0.0005, "-0.0005");
  expect_float(decode('Y', le(150000, 8)), 15.0, "15.0000");
  expect_float(decode('Y', le(0x8000000000000000ull, 8)), -922337203685477.5808,
               "-922337203685477.5808");
}

TEST(DbfFieldDecodeTest, DateTimeGivesTheDatePart) {
  EXPECT_EQ(decode('T', le(2440588, 4) + le(86399999, 4)).as_date(), Date::from_ymd(1970, 1, 1));
  EXPECT_EQ(decode('T', le(2450269, 4) + le(0, 4)).as_date(), Date::from_ymd(1996, 7, 4));
  EXPECT_TRUE(decode('T', std::string(8, '\0')).as_date().empty());
  EXPECT_TRUE(decode('T', le(0xFFFFFFFF, 4) + le(0, 4)).as_date().empty());
}

TEST(DbfFieldDecodeTest, VarcharLengthFromLastByteOnlyWhenShortBitSet) {
  Field f = make_field('V', 6);
  f.short_bit = 3;
  const std::string bytes("abc\0\0\x03", 6);
  const std::string set_bit(1, '\x08');
  const std::string clear_bit(1, '\x00');
  EXPECT_EQ(decode_field(f, ByteView(bytes), ByteView(set_bit)).as_string(), "abc");
  EXPECT_EQ(decode_field(f, ByteView(bytes), ByteView(clear_bit)).as_string(), bytes);
  // A length that cannot be right is cut to what the field can hold.
  const std::string damaged("abcdef", 5);
  const std::string with_big_length = damaged + "\xff";
  EXPECT_EQ(decode_field(f, ByteView(with_big_length), ByteView(set_bit)).as_string(), "abcde");
  // Without a null-flag field, the whole width.
  EXPECT_EQ(decode_field(f, ByteView(bytes), ByteView()).as_string(), bytes);
}

TEST(DbfFieldDecodeTest, MemoBlockFromBinaryOrDigits) {
  EXPECT_EQ(memo_block(ByteView(le(0x01020304, 4))), 0x01020304u);
  EXPECT_EQ(memo_block(ByteView(std::string("        12"))), 12u);
  EXPECT_EQ(memo_block(ByteView(std::string("          "))), 0u);
  EXPECT_EQ(memo_block(ByteView(std::string("       1x2"))), 0u);
  EXPECT_EQ(memo_block(ByteView(std::string("9999999999"))), 0u);
  EXPECT_EQ(memo_block(ByteView(std::string("4294967295"))), 4294967295u);
}

TEST(DbfFieldDecodeTest, BlankValuesPerType) {
  EXPECT_EQ(blank_value(make_field('C', 5)).as_string(), "     ");
  expect_integer(blank_value(make_field('N', 5)), 0);
  expect_float(blank_value(make_field('N', 8, 2)), 0.0, "0.00");
  expect_float(blank_value(make_field('F', 8, 0)), 0.0, "0");
  expect_float(blank_value(make_field('Y', 8)), 0.0, "0.0000");
  expect_integer(blank_value(make_field('I', 4)), 0);
  EXPECT_TRUE(blank_value(make_field('D', 8)).as_date().empty());
  EXPECT_TRUE(blank_value(make_field('T', 8)).as_date().empty());
  EXPECT_FALSE(blank_value(make_field('L', 1)).as_logic());
  EXPECT_EQ(blank_value(make_field('M', 4)).as_string(), "");
  EXPECT_EQ(blank_value(make_field('V', 10)).as_string(), "");
}

}  // namespace
}  // namespace kx::tables::dbf
