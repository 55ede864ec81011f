// The rate writer that plays the point-of-sale application in the
// concurrency tests: what it appends must read back through the work area,
// in record order and through both tags of the index.
#include "support/rate_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/testing/child_process.h"
#include "tables/work_area.h"

namespace kx::test {
namespace {

using writer::mu_tgl_key;
using writer::Rate;
using writer::write_rate_table;

const Date kAround = Date::from_ymd(2026, 3, 7);

class RateWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::path(scratch_path("x")).parent_path().string() + "/";
    ASSERT_TRUE(
        write_rate_table(folder_, {{2, Date::from_ymd(2026, 3, 1), "15000.00", "15100.00"},
                                   {3, Date::from_ymd(2026, 3, 1), "17000.00", "17100.00"}}));
    options_.currency_ids = {2, 3, 4};
    options_.around = kAround;
  }

  std::unique_ptr<tables::WorkArea> open_rates() {
    tables::Status status;
    std::unique_ptr<tables::WorkArea> area =
        tables::WorkArea::open(folder_ + "M_KURSMA.KV3", "", {}, &status);
    EXPECT_TRUE(area) << status.description();
    return area;
  }

  std::string field_text(tables::WorkArea* area, const char* name) {
    Value v;
    EXPECT_TRUE(area->field_get(name, &v).ok());
    return v.kind() == Kind::kFloat ? v.as_float().decimal : "";
  }

  std::string folder_;
  RateWriterOptions options_;
};

TEST_F(RateWriterTest, AppendedRatesReadBackInRecordOrderAndThroughBothTags) {
  options_.iterations = 700;
  std::string error;
  ASSERT_TRUE(run_rate_writer(folder_, options_, &error)) << error;
  std::unique_ptr<tables::WorkArea> area = open_rates();
  ASSERT_TRUE(area);
  uint32_t count = 0;
  ASSERT_TRUE(area->record_count(&count).ok());
  ASSERT_EQ(count, 702u);
  ASSERT_TRUE(area->set_order("MU_TGL").ok());
  size_t on_the_day = 0;
  for (uint32_t recno = 3; recno <= count; ++recno) {
    const Rate rate = written_rate(recno, options_);
    ASSERT_TRUE(area->go_to(recno).ok());
    Value v;
    ASSERT_TRUE(area->field_get("MAUANG_ID", &v).ok());
    EXPECT_EQ(v.to_double(), static_cast<double>(rate.currency_id));
    ASSERT_TRUE(area->field_get("TANGGAL", &v).ok());
    EXPECT_EQ(v.as_date(), rate.tanggal);
    EXPECT_EQ(field_text(area.get(), "KURS_BELI"), rate.kurs_beli);
    EXPECT_EQ(field_text(area.get(), "KURS_JUAL"), rate.kurs_jual);
    EXPECT_LE(rate.tanggal, kAround);
    EXPECT_GT(rate.tanggal.julian(), kAround.julian() - 366);
    on_the_day += rate.tanggal == kAround ? 1 : 0;
    ASSERT_TRUE(
        area->seek(Value::string(mu_tgl_key(rate.currency_id, rate.tanggal, 4)), false).ok());
    EXPECT_TRUE(area->found()) << recno;
  }
  EXPECT_GT(on_the_day, 50u);
  for (const char* tag : {"MU_TGL", "TANGGAL"}) {
    uint64_t keys = 0;
    ASSERT_TRUE(
        area->index()->key_count(static_cast<size_t>(area->index()->find_tag(tag)), &keys).ok());
    EXPECT_EQ(keys, 702u) << tag;
  }
}

TEST_F(RateWriterTest, StopsAtTheRecordLimit) {
  options_.max_records = 40;
  std::string error;
  ASSERT_TRUE(run_rate_writer(folder_, options_, &error)) << error;
  std::unique_ptr<tables::WorkArea> area = open_rates();
  ASSERT_TRUE(area);
  uint32_t count = 0;
  ASSERT_TRUE(area->record_count(&count).ok());
  EXPECT_EQ(count, 40u);
}

TEST_F(RateWriterTest, ATableLaidOutOtherwiseIsRefused) {
  options_.mauang_id_width = 6;
  std::string error;
  EXPECT_FALSE(RateWriter::open(folder_, options_, &error));
  EXPECT_EQ(error, "M_KURSMA.KV3 is not laid out as the installation writes it");
}

}  // namespace
}  // namespace kx::test
