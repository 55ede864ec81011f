#include "support/kv3dump_verify.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/testing/corpus.h"
#include "tables/expr/verify_test_util.h"
#include "tables/work_area_test_util.h"

namespace kx::test {
namespace {

class Kv3dumpVerifyTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = fresh_folder(); }

  int run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return run_kv3dump_verify(args, out_, err_);
  }

  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    std::istringstream in(out_.str());
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  }

  std::string folder_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(Kv3dumpVerifyTest, GoodIndexPrintsOneLinePerTagAndExitsZero) {
  const std::string path = write_stock(folder_);
  ASSERT_EQ(run({"--verify", path}), 0) << err_.str();
  const std::vector<std::string> got = lines();
  ASSERT_EQ(got.size(), 12u);
  EXPECT_EQ(got[0],
            "{\"tag\":\"CODEQTY\",\"evaluable\":true,\"reason\":\"\",\"missing\":[],\"extra\":[],"
            "\"different\":[]}");
  EXPECT_EQ(got[10],
            "{\"tag\":\"GEN\",\"evaluable\":false,\"reason\":\"tag under collation GENERAL: only "
            "machine-collation tags are checked\",\"missing\":[],\"extra\":[],\"different\":[]}");
  EXPECT_EQ(err_.str(), "");
}

TEST_F(Kv3dumpVerifyTest, FindingsArePrintedAndExitWithOne) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "CODEQTY").entries[1].key = "CD     -3.00";
  tag_named(tags, "LIVE").entries[1].for_result = true;
  tag_named(tags, "ID").entries.erase(tag_named(tags, "ID").entries.begin() + 3);
  const std::string path = write_stock(folder_, tags);
  ASSERT_EQ(run({path, "--verify"}), 1) << err_.str();
  const std::vector<std::string> got = lines();
  ASSERT_EQ(got.size(), 12u);
  EXPECT_EQ(
      got[0],
      "{\"tag\":\"CODEQTY\",\"evaluable\":true,\"reason\":\"\",\"missing\":[],\"extra\":[],"
      "\"different\":[{\"recno\":2,\"expected\":\"CD     -3.25\",\"actual\":\"CD     -3.00\"}]}");
  EXPECT_EQ(got[1],
            "{\"tag\":\"ID\",\"evaluable\":true,\"reason\":\"\",\"missing\":[4],\"extra\":[],"
            "\"different\":[]}");
  EXPECT_EQ(got[7],
            "{\"tag\":\"LIVE\",\"evaluable\":true,\"reason\":\"\",\"missing\":[],\"extra\":[2],"
            "\"different\":[]}");
}

TEST_F(Kv3dumpVerifyTest, OrderSelectsOneTagByNameOrNumber) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "ID").entries.erase(tag_named(tags, "ID").entries.begin() + 3);
  const std::string path = write_stock(folder_, tags);
  ASSERT_EQ(run({"--verify", path, "--order", "flag"}), 0) << err_.str();
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0].rfind("{\"tag\":\"FLAG\",\"evaluable\":true", 0), 0u);
  ASSERT_EQ(run({"--verify", path, "--order", "2"}), 1);
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0].rfind("{\"tag\":\"ID\"", 0), 0u);
}

TEST_F(Kv3dumpVerifyTest, UnevaluableTagsDoNotCountAsFindings) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "LONGNAME").entries.push_back({"zzz", 1});
  const std::string path = write_stock(folder_, tags);
  EXPECT_EQ(run({"--verify", path, "--order", "LONGNAME"}), 0);
  EXPECT_NE(out_.str().find("\"evaluable\":false"), std::string::npos);
}

TEST_F(Kv3dumpVerifyTest, KeysWithBinaryBytesAreEscaped) {
  std::vector<CdxTagSpec> tags = stock_tags();
  tag_named(tags, "CUST").entries[2].key = "\x80   ";
  const std::string path = write_stock(folder_, tags);
  ASSERT_EQ(run({"--verify", path, "--order", "CUST"}), 1);
  EXPECT_EQ(out_.str(),
            "{\"tag\":\"CUST\",\"evaluable\":true,\"reason\":\"\",\"missing\":[],\"extra\":[],"
            "\"different\":[{\"recno\":3,\"expected\":\"\\u0000\\u0000\\u0000\\u0000\","
            "\"actual\":\"\\u0080   \"}]}\n");
}

TEST_F(Kv3dumpVerifyTest, UsageAndOpenErrors) {
  const std::string path = write_stock(folder_);
  EXPECT_EQ(run({"--verify"}), 2);
  EXPECT_EQ(run({"--verify", path, "--order", "NOSUCH"}), 2);
  EXPECT_EQ(run({"--verify", path, "--order", "13"}), 2);
  EXPECT_EQ(run({"--verify", path, "--bogus"}), 2);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(run({"--verify", folder_ + "/NONE.DBF"}), 1);
  EXPECT_NE(err_.str().find("NONE.DBF"), std::string::npos);
  ASSERT_TRUE(write_dbf(folder_ + "/BARE.DBF", stock_table(), stock_rows()));
  EXPECT_EQ(run({"--verify", folder_ + "/BARE.DBF"}), 2);
  EXPECT_NE(err_.str().find("has no index"), std::string::npos);
}

TEST_F(Kv3dumpVerifyTest, DatabaseContainerIsCheckedAgainstItsDcx) {
  KX_SKIP_WITHOUT_CORPUS();
  const std::string dbc = corpus_dir() + "/foxpro/order-entry-orders/order entry.dbc";
  ASSERT_EQ(run({"--verify", dbc}), 0) << err_.str();
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[0].rfind("{\"tag\":\"OBJECTNAME\",\"evaluable\":true", 0), 0u);
  EXPECT_EQ(lines()[1].rfind("{\"tag\":\"OBJECTTYPE\",\"evaluable\":true", 0), 0u);
}

}  // namespace
}  // namespace kx::test
