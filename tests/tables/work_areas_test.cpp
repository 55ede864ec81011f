#include "tables/work_areas.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tables/work_area_test_util.h"

namespace kx::test {
namespace {

using tables::WorkArea;
using tables::WorkAreas;
using writer::DbfSpec;
using writer::write_dbf;

class WorkAreasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fresh_folder();
    rates_ = write_rate_table(folder_);
    currencies_ = folder_ + "/M_MAUANG.KV3";
    ASSERT_TRUE(write_dbf(currencies_, DbfSpec{0x03, {{"ID", 'N', 3}, {"KODE", 'C', 3}}},
                          {{{1, "IDR"}}, {{2, "USD"}}}));
  }

  std::string folder_;
  std::string rates_;
  std::string currencies_;
  WorkAreas areas_;
};

TEST_F(WorkAreasTest, NewAreasTakeTheLowestFreeNumberAndBecomeCurrent) {
  EXPECT_EQ(areas_.alias(), "");
  EXPECT_EQ(areas_.current(), nullptr);
  ASSERT_TRUE(areas_.use(true, rates_, "M_KURSMA", {}).ok());
  ASSERT_TRUE(areas_.use(true, currencies_, "", {}).ok());
  EXPECT_EQ(areas_.current_number(), 2u);
  EXPECT_EQ(areas_.alias(), "M_MAUANG");
  areas_.select(1u);
  areas_.close_current();
  EXPECT_EQ(areas_.alias(), "");
  ASSERT_TRUE(areas_.use(true, rates_, "KURS2", {}).ok());
  EXPECT_EQ(areas_.current_number(), 1u);
}

TEST_F(WorkAreasTest, SelectByAliasIgnoresLetterCase) {
  ASSERT_TRUE(areas_.use(true, rates_, "M_KURSMA", {}).ok());
  ASSERT_TRUE(areas_.use(true, currencies_, "M_MAUANG", {}).ok());
  ASSERT_TRUE(areas_.select("m_kursma").ok());
  EXPECT_EQ(areas_.current_number(), 1u);
  EXPECT_EQ(areas_.current()->alias(), "M_KURSMA");
  EXPECT_EQ(areas_.select("NOPE").gencode(), kGenNoAlias);
  EXPECT_EQ(areas_.current_number(), 1u);
}

// Lookups remember the aliases asked for; opening and closing tables must
// make them forget, or an alias would keep naming an area that now holds
// another table.
TEST_F(WorkAreasTest, AliasLookupsFollowTablesThatAreClosedAndOpened) {
  ASSERT_TRUE(areas_.use(true, rates_, "M_KURSMA", {}).ok());
  ASSERT_TRUE(areas_.use(true, currencies_, "M_MAUANG", {}).ok());
  WorkArea* currencies = areas_.find("M_MAUANG");
  ASSERT_NE(currencies, nullptr);
  EXPECT_EQ(areas_.find("m_mauang"), currencies);
  EXPECT_EQ(areas_.area_of("M_MAUANG"), 2u);
  areas_.close_current();
  EXPECT_EQ(areas_.find("M_MAUANG"), nullptr);
  ASSERT_TRUE(areas_.use(true, currencies_, "OTHER", {}).ok());  // area 2 again
  EXPECT_EQ(areas_.area_of("M_MAUANG"), 0u);
  EXPECT_EQ(areas_.find("OTHER"), areas_.current());
  ASSERT_TRUE(areas_.select("M_KURSMA").ok());
  ASSERT_TRUE(areas_.use(false, currencies_, "M_MAUANG", {}).ok());  // replaces area 1
  EXPECT_EQ(areas_.area_of("M_KURSMA"), 0u);
  EXPECT_EQ(areas_.area_of("m_mauang"), 1u);
  areas_.close_all();
  EXPECT_EQ(areas_.area_of("M_MAUANG"), 0u);
  EXPECT_EQ(areas_.area_of("OTHER"), 0u);
}

TEST_F(WorkAreasTest, AliasInUseFailsTheOpen) {
  ASSERT_TRUE(areas_.use(true, rates_, "M_KURSMA", {}).ok());
  EXPECT_EQ(areas_.use(true, currencies_, "m_kursma", {}).gencode(), kGenDupAlias);
  EXPECT_EQ(areas_.current_number(), 1u);
  EXPECT_EQ(areas_.area_of("M_KURSMA"), 1u);
}

TEST_F(WorkAreasTest, MissingFileFailsWithTheOsCode) {
  const tables::Status s = areas_.use(true, folder_ + "/M_KONTRO.KV3", "M_KONTRO", {});
  EXPECT_EQ(s.gencode(), kGenOpen);
  EXPECT_EQ(s.oscode(), platform::kErrFileNotFound);
  EXPECT_EQ(areas_.alias(), "");
}

TEST_F(WorkAreasTest, OpenInTheCurrentAreaReplacesItsTable) {
  ASSERT_TRUE(areas_.use(true, rates_, "M_KURSMA", {}).ok());
  ASSERT_TRUE(areas_.use(false, currencies_, "M_MAUANG", {}).ok());
  EXPECT_EQ(areas_.current_number(), 1u);
  EXPECT_EQ(areas_.area_of("M_KURSMA"), 0u);
  ASSERT_TRUE(areas_.use(false, currencies_, "M_MAUANG", {}).ok());
}

TEST_F(WorkAreasTest, AreaFailuresReachTheListsLastError) {
  ASSERT_TRUE(areas_.use(true, rates_, "M_KURSMA", {}).ok());
  Value v;
  EXPECT_EQ(areas_.current()->field_get(99u, &v).gencode(), kGenBound);
}

TEST_F(WorkAreasTest, SummaryGivesAliasRecordNumberAndCount) {
  EXPECT_FALSE(areas_.summary().selected);
  ASSERT_TRUE(areas_.use(true, rates_, "M_KURSMA", {}).ok());
  ASSERT_TRUE(areas_.current()->go_to(4).ok());
  CurrentArea s = areas_.summary();
  EXPECT_TRUE(s.selected);
  EXPECT_EQ(s.alias, "M_KURSMA");
  EXPECT_EQ(s.recno, 4u);
  EXPECT_EQ(s.lastrec, 5u);
  ASSERT_TRUE(areas_.current()->skip(5).ok());
  s = areas_.summary();
  EXPECT_EQ(s.recno, 6u);
}

TEST_F(WorkAreasTest, CloseAllEmptiesEveryArea) {
  ASSERT_TRUE(areas_.use(true, rates_, "M_KURSMA", {}).ok());
  ASSERT_TRUE(areas_.use(true, currencies_, "M_MAUANG", {}).ok());
  areas_.close_all();
  EXPECT_EQ(areas_.alias(), "");
  EXPECT_EQ(areas_.find("M_KURSMA"), nullptr);
  ASSERT_TRUE(areas_.use(true, rates_, "M_KURSMA", {}).ok());
  EXPECT_EQ(areas_.current_number(), 1u);
}

}  // namespace
}  // namespace kx::test
