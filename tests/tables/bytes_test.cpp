#include "tables/bytes.h"

#include <gtest/gtest.h>

namespace kx::tables {
namespace {

const std::string kBytes("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9);

TEST(BytesTest, ReadsInTheNamedByteOrder) {
  ByteView v(kBytes);
  uint16_t a = 0;
  uint32_t b = 0;
  ASSERT_TRUE(read_le16(&v, &a));
  ASSERT_TRUE(read_be32(&v, &b));
  EXPECT_EQ(a, 0x0201);
  EXPECT_EQ(b, 0x03040506u);
  ByteView w(kBytes);
  uint64_t c = 0;
  ASSERT_TRUE(read_le64(&w, &c));
  EXPECT_EQ(c, 0x0807060504030201ull);
  ByteView x(kBytes);
  ASSERT_TRUE(read_be64(&x, &c));
  EXPECT_EQ(c, 0x0102030405060708ull);
  ByteView y(kBytes);
  ASSERT_TRUE(read_le(&y, 3, &c));
  EXPECT_EQ(c, 0x030201u);
}

TEST(BytesTest, ReadPastTheEndFailsAndLeavesViewAndResult) {
  ByteView v(kBytes.data(), 3);
  uint32_t out = 77;
  EXPECT_FALSE(read_le32(&v, &out));
  EXPECT_EQ(out, 77u);
  EXPECT_EQ(v.size(), 3u);
  uint64_t wide = 0;
  EXPECT_FALSE(read_le(&v, 0, &wide));
  EXPECT_FALSE(read_le(&v, 9, &wide));
}

TEST(BytesTest, SliceChecksWithoutWrapAround) {
  const ByteView v(kBytes);
  ByteView out;
  EXPECT_TRUE(v.slice(9, 0, &out));
  EXPECT_TRUE(v.slice(2, 7, &out));
  EXPECT_EQ(out[0], 3);
  EXPECT_FALSE(v.slice(2, 8, &out));
  EXPECT_FALSE(v.slice(10, 0, &out));
  EXPECT_FALSE(v.slice(1, UINT64_MAX, &out));
  EXPECT_FALSE(v.slice(UINT64_MAX, 2, &out));
}

TEST(BytesTest, CheckedArithmeticRejectsOverflow) {
  uint64_t out = 5;
  EXPECT_FALSE(checked_add(UINT64_MAX, 1, &out));
  EXPECT_FALSE(checked_mul(UINT64_MAX / 2, 3, &out));
  EXPECT_EQ(out, 5u);
  EXPECT_TRUE(checked_mul(0, UINT64_MAX, &out));
  EXPECT_EQ(out, 0u);
  EXPECT_TRUE(range_inside(10, 0, 10));
  EXPECT_FALSE(range_inside(10, 1, 10));
  EXPECT_FALSE(range_inside(5, UINT64_MAX, 10));
}

}  // namespace
}  // namespace kx::tables
