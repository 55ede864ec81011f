#include "support/kv3dump.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tables/work_area_test_util.h"

namespace kx::test {
namespace {

class Kv3dumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fresh_folder();
    path_ = write_rate_table(folder_);
  }

  int run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return run_kv3dump(args, out_, err_);
  }

  std::string folder_;
  std::string path_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(Kv3dumpTest, InfoListsVersionFieldsAndTags) {
  ASSERT_EQ(run({"--info", path_}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "{\"version\":48,\"records\":5,\"fields\":["
            "{\"name\":\"MU\",\"type\":\"C\",\"width\":3,\"decimals\":0},"
            "{\"name\":\"TGL\",\"type\":\"D\",\"width\":8,\"decimals\":0},"
            "{\"name\":\"KURS_BELI\",\"type\":\"N\",\"width\":12,\"decimals\":2},"
            "{\"name\":\"ID\",\"type\":\"I\",\"width\":4,\"decimals\":0},"
            "{\"name\":\"NOTE\",\"type\":\"M\",\"width\":4,\"decimals\":0}],\"tags\":["
            "{\"name\":\"MU_TGL\",\"key\":\"mu+DTOS(tgl)\",\"for\":\"\",\"unique\":false,"
            "\"descending\":false,\"keys\":5},"
            "{\"name\":\"ID\",\"key\":\"id\",\"for\":\"\",\"unique\":false,\"descending\":false,"
            "\"keys\":5},"
            "{\"name\":\"KURS\",\"key\":\"kurs_beli\",\"for\":\"\",\"unique\":false,\"descending\":"
            "true,\"keys\":5},"
            "{\"name\":\"USDONLY\",\"key\":\"mu\",\"for\":\"mu=\\\"USD\\\"\",\"unique\":false,"
            "\"descending\":false,\"keys\":3},"
            "{\"name\":\"TGL\",\"key\":\"tgl\",\"for\":\"\",\"unique\":false,\"descending\":false,"
            "\"keys\":5},"
            "{\"name\":\"NAMA_GEN\",\"key\":\"mu\",\"for\":\"\",\"unique\":false,\"descending\":"
            "false,\"keys\":5}]}\n");
}

TEST_F(Kv3dumpTest, RecordsInRecordOrderAsJsonLines) {
  ASSERT_EQ(run({path_, "--limit", "2"}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "{\"recno\":1,\"deleted\":false,\"fields\":{\"MU\":\"USD\",\"TGL\":\"2026-03-01\","
            "\"KURS_BELI\":15000.50,\"ID\":10,\"NOTE\":\"memo\"}}\n"
            "{\"recno\":2,\"deleted\":false,\"fields\":{\"MU\":\"EUR\",\"TGL\":\"2026-03-01\","
            "\"KURS_BELI\":16000.25,\"ID\":20,\"NOTE\":\"memo\"}}\n");
}

std::vector<int> recnos(const std::string& lines) {
  std::vector<int> out;
  for (size_t at = lines.find("\"recno\":"); at != std::string::npos;
       at = lines.find("\"recno\":", at + 1)) {
    out.push_back(std::stoi(lines.substr(at + 8)));
  }
  return out;
}

TEST_F(Kv3dumpTest, OrderAndSeekStartFromTheKey) {
  ASSERT_EQ(run({path_, "--order", "mu_tgl", "--seek", "USD"}), 0) << err_.str();
  EXPECT_EQ(recnos(out_.str()), (std::vector<int>{3, 1, 5}));
  EXPECT_NE(out_.str().find("\"recno\":3,\"deleted\":true"), std::string::npos);
  ASSERT_EQ(run({path_, "--order", "KURS", "--limit", "2"}), 0);
  EXPECT_EQ(recnos(out_.str()), (std::vector<int>{2, 5}));
  ASSERT_EQ(run({path_, "--order", "TGL", "--seek", "2026-03-05"}), 0);
  EXPECT_EQ(recnos(out_.str()), (std::vector<int>{4, 5}));
  ASSERT_EQ(run({path_, "--order", "2", "--seek", "35"}), 0);
  EXPECT_EQ(recnos(out_.str()), (std::vector<int>{}));
  ASSERT_EQ(run({path_, "--order", "ID", "--seek", "35", "--soft"}), 0);
  EXPECT_EQ(recnos(out_.str()), (std::vector<int>{4, 5}));
}

TEST_F(Kv3dumpTest, ErrorsGoToStandardErrorWithNonZeroStatus) {
  EXPECT_EQ(run({folder_ + "/NONE.KV3"}), 1);
  EXPECT_EQ(out_.str(), "");
  EXPECT_NE(err_.str().find("NONE.KV3"), std::string::npos);
  EXPECT_EQ(run({path_, "--order", "NAMA_GEN"}), 2);
  EXPECT_EQ(run({path_, "--order", "TGL", "--seek", "yesterday"}), 2);
  EXPECT_EQ(run({path_, "--seek", "USD"}), 2);
  EXPECT_EQ(run({path_, "--bogus"}), 2);
  EXPECT_EQ(run({}), 2);
}

TEST_F(Kv3dumpTest, DamagedTableIsAnError) {
  ASSERT_TRUE(write_file(path_, "\x30 too short"));
  EXPECT_EQ(run({path_}), 1);
  EXPECT_NE(err_.str().find("code 32"), std::string::npos);
}

TEST(Kv3dumpJsonStringTest, EscapesByClass) {
  EXPECT_EQ(json_string("plain text"), "\"plain text\"");
  EXPECT_EQ(json_string("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(json_string(std::string("\x01\t\x1f\0", 4)), "\"\\u0001\\u0009\\u001F\\u0000\"");
  EXPECT_EQ(json_string("\x80\xe9\xff"), "\"\\u0080\\u00E9\\u00FF\"");
  EXPECT_EQ(json_string("a\r\nb"), "\"a\\u000D\\u000Ab\"");
}

}  // namespace
}  // namespace kx::test
