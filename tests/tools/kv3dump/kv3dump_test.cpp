#include "kv3dump/kv3dump.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "kv3dump/program_check.h"
#include "tables/work_area_test_util.h"
#include "tablewriter/pos_installation.h"

namespace kx::kv3dump {
namespace {

using test::fresh_folder;
using test::write_rate_table;
using writer::write_file;

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
            "{\"version\":48,\"records\":5,\"code_page\":1252,\"code_page_mark\":3,\"fields\":["
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
  EXPECT_EQ(run({folder_ + "/NONE.KV3"}), kExitCannotRead);
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
  EXPECT_EQ(run({path_}), kExitCannotRead);
  EXPECT_NE(err_.str().find("cannot read " + path_ + ": file of 11 bytes is too short"),
            std::string::npos);
}

// $T the rate table, $D its folder, $E a copy whose index file is empty,
// $N a copy without index file, $L a location table with a network password.
struct CommandCase {
  std::vector<std::string> args;
  int status;
  std::string fragment;          // of standard output and standard error together
  const char* recnos = nullptr;  // the records printed, in order; nullptr: not checked
};

TEST_F(Kv3dumpTest, CommandLines) {
  namespace fs = std::filesystem;
  fs::create_directories(folder_ + "/empty");
  fs::create_directories(folder_ + "/bare");
  write_rate_table(folder_ + "/empty");
  ASSERT_TRUE(write_file(folder_ + "/empty/M_KURSMA.CDX", ""));
  write_rate_table(folder_ + "/bare");
  fs::remove(folder_ + "/bare/M_KURSMA.CDX");
  fs::copy_file(folder_ + "/M_KURSMA.CDX", folder_ + "/INDEX.BIN");
  fs::create_directories(folder_ + "/loc");
  const std::string secret = "S3cret!";
  ASSERT_TRUE(
      writer::write_location_table(folder_ + "/loc/", {"\\\\srv\\pos", "P:", "kasir", secret}));
  const CommandCase cases[] = {
      {{"--help"}, 0, "\n  --prefix KEY   print only the records whose key begins with KEY\n"},
      {{"--help"}, 0, "\n  5  the table has no index (--order, --seek, --prefix, --verify)\n"},
      {{"--help"},
       0,
       "\n  --seek KEY     start at the first record whose key is KEY; none: print nothing\n"},
      {{"-h"}, 0, "\n  --prefix KEY   print only the records whose key begins with KEY\n"},
      {{"$T", "/?"}, 0, "\n  --prefix KEY   print only the records whose key begins with KEY\n"},
      {{"--version"}, 0, version_text() + "\n"},
      {{"$T", "--bogus"}, 2, "kv3dump: unknown option --bogus (see kv3dump --help)\nusage:"},
      {{"$T", "--order"}, 2, "--order needs a tag name or number\n"},
      {{"$T", "--order", "--seek", "USD"}, 2, "--order needs a tag name or number\n"},
      {{"$T", "--order", "ID", "--prefix"}, 2, "--prefix needs a key\n"},
      {{"$T", "--limit", "x"}, 2, "--limit needs a number, not x\n"},
      {{"$T", "--codepage", "42"}, 2, "unsupported code page 42 (supported: 437, 737, 850,"},
      {{"--info", "--verify", "$T"}, 2, "--info and --verify do not go together\n"},
      {{"--info", "$T", "--csv"}, 2, "--csv does not go with --info\n"},
      {{"--verify", "$T", "--limit", "1"}, 2, "--limit does not go with --verify\n"},
      {{"$T", "--order", "ID", "--seek", "1", "--prefix", "1"}, 2, "do not go together\n"},
      {{"$T", "--prefix", "USD"}, 2, "--prefix needs --order\n"},
      {{"$T", "--soft"}, 2, "--soft goes with --seek\n"},
      {{"$T", "$T"}, 2, "more than one file: "},
      {{}, 2, "no table file given\n"},
      {{"$T", "--order", "NAMA_GEN"}, 2, "no tag NAMA_GEN that can give an order"},
      {{"$T", "--order", "TGL", "--seek", "yesterday"}, 2, "key yesterday does not suit tag TGL"},
      {{"$T", "--order", "MU_TGL", "--seek", "\xE2\x82\xAC"}, 0, "", ""},
      {{"$T", "--order", "MU_TGL", "--seek", "\xE2\x86\x90"},
       2,
       "characters that code page 1252 lacks"},
      {{"$D/NONE.KV3"}, 7, "kv3dump: no such file: $D/NONE.KV3\n"},
      {{"$D"}, 7, "kv3dump: is a directory: $D\n"},
      {{"$D/M_KURSMA.CDX"}, 7, "kv3dump: $D/M_KURSMA.CDX is an index file; give its table\n"},
      {{"$D/INDEX.BIN"}, 7, "kv3dump: $D/INDEX.BIN is an index file; give its table\n"},
      {{"$D/M_KURSMA.fpt"}, 7, "is a memo file; give its table\n"},
      // The index's name is left out: Windows finds it under the case asked for.
      {{"$E"}, 6, "kv3dump: index ", "1,2,3,4,5"},
      {{"$E"}, 6, "/empty/M_KURSMA.", "1,2,3,4,5"},
      {{"$E"}, 6, " cannot be read: directory header", "1,2,3,4,5"},
      {{"$E"}, 6, "; dumping in record order\n"},
      {{"--info", "$E"}, 6, "\"tags\":[]}"},
      {{"$E", "--order", "ID"}, 7, " cannot be read: directory header", ""},
      {{"--verify", "$E"}, 7, "cannot be read: ", ""},
      {{"$N", "--order", "ID"}, 5, "kv3dump: $D/bare/M_KURSMA.KV3 has no index\n", ""},
      {{"$T", "--order", "MU_TGL", "--seek", "JPY"}, 0, "", "4,3,1,5"},
      {{"$T", "--order", "MU_TGL", "--prefix", "JPY"}, 0, "", "4"},
      {{"$T", "--order", "MU_TGL", "--prefix", "USD", "--limit", "2"}, 0, "", "3,1"},
      {{"$T", "--order", "MU_TGL", "--prefix", "USD202603"}, 0, "", "1,5"},
      {{"$T", "--order", "TGL", "--prefix", "2026-03-05"}, 0, "", "4,5"},
      {{"$T", "--order", "KURS", "--prefix", "15000.5"}, 0, "", "1"},
      {{"$T", "--order", "ID", "--prefix", "35"}, 0, "", ""},
      {{"$T", "--csv", "--limit", "2"},
       0,
       "MU,TGL,KURS_BELI,ID,NOTE,_deleted\r\nUSD,2026-03-01,15000.50,10,memo,false\r\nEUR,2026-03-"
       "01,16000.25,20,memo,false\r\n"},
      {{"$L"}, 0, "\"USER_NAME\":\"kasir\",\"PASSWORD\":\"****\"}}\n"},
      {{"$L", "--csv"}, 0, ",P:,kasir,****,false\r\n"},
      {{"$L", "--show-password"}, 0, "\"PASSWORD\":\"S3cret!\"}}\n"},
      {{"$L", "--csv", "--show-password"}, 0, ",kasir,S3cret!,false\r\n"},
      {{"--info", "$L", "--show-password"}, 2, "--show-password does not go with --info\n"},
      {{"--help"}, 0, "\n  --show-password  print a PASSWORD field as stored"},
      {{"$T", "--order", "MU_TGL", "--prefix", "EUR", "--csv"},
       0,
       "MU,TGL,KURS_BELI,ID,NOTE,_deleted\r\nEUR,2026-03-01,16000.25,20,memo,false\r\n"},
  };
  auto expand = [&](std::string text) {
    const std::pair<const char*, std::string> names[] = {{"$T", path_},
                                                         {"$E", folder_ + "/empty/M_KURSMA.KV3"},
                                                         {"$N", folder_ + "/bare/M_KURSMA.KV3"},
                                                         {"$L", folder_ + "/loc/KELVARO.DIR"},
                                                         {"$D", folder_}};
    for (const auto& [name, value] : names) {
      for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at))
        text.replace(at, 2, value);
    }
    return text;
  };
  for (const CommandCase& c : cases) {
    std::vector<std::string> args;
    std::string line;
    for (const std::string& a : c.args) {
      args.push_back(expand(a));
      line += " " + a;
    }
    EXPECT_EQ(run(args), c.status) << line << "\n" << err_.str();
    const std::string all = out_.str() + err_.str();
    EXPECT_NE(all.find(expand(c.fragment)), std::string::npos) << line << "\n" << all;
    if (line.find("--show-password") == std::string::npos) {
      EXPECT_EQ(all.find(secret), std::string::npos) << line << " shows the password";
    }
    if (c.recnos == nullptr) continue;
    std::string got;
    for (const int r : recnos(out_.str())) got += (got.empty() ? "" : ",") + std::to_string(r);
    EXPECT_EQ(got, c.recnos) << line;
  }
  EXPECT_TRUE(std::regex_match(version_text(), std::regex("kv3dump [0-9]+\\.[0-9]+\\.[0-9]+")));
}

// One table T.DBF with one field F and one record.
struct ValueCase {
  writer::FieldSpec field;
  writer::Cell cell;
  uint8_t code_page_mark;
  std::vector<std::string> args;  // after the table's path
  std::string fragment;           // of standard output
  uint8_t version = 0x30;
  std::string dbt = "";  // the dBase memo file T.DBT, when not empty
};

// A dBase memo file whose block 1 holds block_one (with its header, if any).
std::string dbt_file(const std::string& block_one, uint16_t dbase4_block_size = 0) {
  std::string bytes(512, '\0');
  if (dbase4_block_size != 0) writer::put_le16(&bytes, 20, dbase4_block_size);
  bytes.resize(dbase4_block_size != 0 ? dbase4_block_size : 512, '\0');
  return bytes + block_one;
}

TEST_F(Kv3dumpTest, FieldValuesAsStoredAndDecodedToUtf8) {
  using writer::Cell;
  const std::string f = "{\"recno\":1,\"deleted\":false,\"fields\":{\"F\":";
  std::string every_byte, every_byte_hex;
  for (int b = 0; b < 256; ++b) {
    every_byte += static_cast<char>(b);
    every_byte_hex += "0123456789abcdef"[b >> 4];
    every_byte_hex += "0123456789abcdef"[b & 15];
  }
  const ValueCase cases[] = {
      {{"F", 'C', 6}, "caf\xE9  ", 0x03, {}, f + "\"caf\xC3\xA9\"}}\n"},
      {{"F", 'C', 3}, "\x82t\x82", 0x01, {}, f + "\"\xC3\xA9t\xC3\xA9\"}}\n"},
      {{"F", 'C', 1}, "\x9D", 0x02, {}, f + "\"\xC3\x98\"}}\n"},
      {{"F", 'C', 1}, "\x9F", 0x64, {}, f + "\"\xC4\x8D\"}}\n"},
      {{"F", 'C', 1}, "\x9A", 0xC8, {}, f + "\"\xC5\xA1\"}}\n"},
      {{"F", 'C', 1}, "\xC6", 0xC9, {}, f + "\"\xD0\x96\"}}\n"},
      {{"F", 'C', 1}, "\x80", 0x03, {}, f + "\"\xE2\x82\xAC\"}}\n"},
      {{"F", 'C', 1}, "\x80", 0x00, {}, f + "\"\xE2\x82\xAC\"}}\n"},
      {{"F", 'C', 1}, "\x81", 0x03, {}, f + "\"\\u0081\"}}\n"},
      {{"F", 'C', 1}, "\xC6", 0x03, {"--codepage", "1251"}, f + "\"\xD0\x96\"}}\n"},
      {{"F", 'C', 1},
       "x",
       0x7A,
       {"--info"},
       "\"code_page\":1252,\"code_page_mark\":122,\"code_page_note\":\"mark 0x7A names code page "
       "936, which is not supported; read as 1252\""},
      {{"F", 'C', 1},
       "x",
       0x00,
       {"--info"},
       "\"code_page_note\":\"no code-page mark; read as 1252\""},
      {{"F", 'C', 4}, "a\"\\\x01", 0x03, {}, f + "\"a\\\"\\\\\\u0001\"}}\n"},
      {{"F", 'T'},
       Cell::datetime(Date::from_ymd(1969, 11, 26), 79805999),
       0x03,
       {},
       f + "\"1969-11-26T22:10:05\"}}\n"},
      {{"F", 'T'},
       Cell::datetime(Date::from_ymd(2026, 3, 7), 0),
       0x03,
       {"--csv"},
       "F,_deleted\r\n2026-03-07T00:00:00,false\r\n"},
      {{"F", 'T'}, Cell(), 0x03, {}, f + "\"\"}}\n"},
      {{"F", 'M'}, "two blanks  ", 0x03, {}, f + "\"two blanks  \"}}\n"},
      {{"F", 'M'}, "   ", 0x03, {}, f + "\"   \"}}\n"},
      {{"F", 'M'}, "x\r\ny\xE9", 0x03, {"--csv"}, "F,_deleted\r\n\"x\r\ny\xC3\xA9\",false\r\n"},
      {{"F", 'C', 6}, "a,\"b\"", 0x03, {"--csv"}, "F,_deleted\r\n\"a,\"\"b\"\"\",false\r\n"},
      {{"F", 'C', 6}, "plain ", 0x03, {"--csv"}, "F,_deleted\r\nplain,false\r\n"},
      {{"F", 'G'}, "\x85\xE9", 0x03, {}, f + "\"85e9\"}}\n"},
      {{"F", 'C', 3, 0, 0x04}, std::string("\0\x81 ", 3), 0x03, {}, f + "\"008120\"}}\n"},
      {{"F", 'M', 0, 0, 0x04}, every_byte, 0x03, {}, f + "\"" + every_byte_hex + "\"}}\n"},
      {{"F", 'D'}, Cell::raw("20260230"), 0x03, {}, f + "\"20260230 (not a date)\"}}\n"},
      {{"F", 'D'}, Cell::raw("        "), 0x03, {}, f + "\"\"}}\n"},
      {{"F", 'M', 10},
       Cell::raw("         1"),
       0x03,
       {},
       f + "\"dBase III text\"}}\n",
       0x83,
       dbt_file("dBase III text\x1A\x1Atrailing")},
      {{"F", 'M', 10},
       Cell::raw("         1"),
       0x03,
       {},
       f + "\"dBase IV\"}}\n",
       0x8B,
       dbt_file(std::string("\xFF\xFF\x08\x00\x10\x00\x00\x00", 8) + "dBase IV rest", 1024)},
  };
  for (const ValueCase& c : cases) {
    writer::DbfSpec spec{c.version, {c.field}};
    spec.code_page = c.code_page_mark;
    const std::string path = folder_ + "/T.DBF";
    const writer::DbfFiles files = writer::build_dbf(spec, {writer::Row{{c.cell}}});
    ASSERT_TRUE(write_file(path, files.dbf));
    ASSERT_TRUE(files.memo.empty() || write_file(folder_ + "/T.fpt", files.memo));
    ASSERT_TRUE(c.dbt.empty() || write_file(folder_ + "/T.DBT", c.dbt));
    std::vector<std::string> args = {path};
    args.insert(args.end(), c.args.begin(), c.args.end());
    if (args.size() > 1 && args[1] == "--info") std::swap(args[0], args[1]);
    EXPECT_EQ(run(args), 0) << c.fragment << "\n" << err_.str();
    EXPECT_NE(out_.str().find(c.fragment), std::string::npos) << c.fragment << "\n" << out_.str();
  }
}

TEST(ProgramCheckTest, ReadsTheFixedFileVersionAfterTheVersionKey) {
  const std::string key("V\0S\0_\0V\0E\0R\0S\0I\0O\0N\0_\0I\0N\0F\0O\0\0\0", 32);
  const std::string signature("\xBD\x04\xEF\xFE\0\0\1\0", 8);
  // File version 1.2.3.0 and 1.2.3.4: high word 0x00010002, low 0x00030000 / 0x00030004.
  const std::string v123("\2\0\1\0\0\0\3\0", 8), v1234("\2\0\1\0\4\0\3\0", 8);
  const struct {
    std::string image;
    const char* version;
  } cases[] = {
      {"MZ" + key + "\0\0" + signature + v123 + "rest", "1.2.3"},
      {key + signature + v1234, "1.2.3.4"},
      {key + signature + v123.substr(0, 5), ""},
      {key + std::string(8, '\0') + signature + v123, ""},
      {"no resource at all" + signature + v123, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(version_resource(c.image), c.version);
}

TEST(Kv3dumpJsonStringTest, EscapesByClass) {
  EXPECT_EQ(json_string("plain text"), "\"plain text\"");
  EXPECT_EQ(json_string("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(json_string(std::string("\x01\t\x1f\0", 4)), "\"\\u0001\\u0009\\u001F\\u0000\"");
  EXPECT_EQ(json_string("\x80\xe9\xff"), "\"\\u0080\\u00E9\\u00FF\"");
  EXPECT_EQ(json_string("a\r\nb"), "\"a\\u000D\\u000Ab\"");
}

}  // namespace
}  // namespace kx::kv3dump
