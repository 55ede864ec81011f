#include "app/dbkontro.h"

#include <gtest/gtest.h>

#include "errors/error_record.h"
#include "errors/process_start.h"
#include "runtime/errors/runtime_error.h"
#include "support/testing/child_process.h"
#include "table_functions/table_functions.h"
#include "tablewriter/dbf_writer.h"
#include "tablewriter/pos_installation.h"

namespace kx {
namespace {

class AssignControlTest : public ::testing::Test {
 protected:
  void SetUp() override { register_runtime_support(); }

  void open(const writer::Control& control, bool empty = false) {
    const std::string folder = test::scratch_path("");
    ASSERT_TRUE(writer::write_control_table(folder, control, empty));
    ASSERT_TRUE(DBUSEAREA(true, "", folder + "M_KONTRO.KV3", "M_KONTRO", true, true));
  }
};

TEST_F(AssignControlTest, CopiesTrimsAndEscapes) {
  writer::Control c;
  c.data_id = 42;
  c.versi = 7;
  c.nama = "  PT Maju \"Jaya\"   ";
  c.alamat = "Jl. Merdeka 1\r\nJakarta";
  c.npwp = "01.234/5";
  c.aktif = Date::from_ymd(2026, 3, 7);
  c.hapus_data = Date::from_ymd(2025, 1, 31);
  open(c);
  control_object() = std::make_shared<DBKONTRO>();
  EXPECT_TRUE(ASSIGNDBKONTRO("/data/KV3DB/"));
  const DBKONTRO& k = *control_object();
  EXPECT_EQ(k.CFOLDER, "/data/KV3DB/");
  EXPECT_EQ(k.DWDATAID, 42u);
  EXPECT_EQ(k.DWVERSI, 7u);
  EXPECT_EQ(k.CATASNAMA, "PT Maju \\\"Jaya\\\"");
  EXPECT_EQ(k.CALAMAT, "Jl. Merdeka 1<br>Jakarta");
  EXPECT_EQ(k.CNPWP, "01.234\\/5");
  EXPECT_EQ(k.DAKTIF, Date::from_ymd(2026, 3, 7));
  EXPECT_EQ(k.DHAPUSDATA, Date::from_ymd(2025, 1, 31));
}

TEST_F(AssignControlTest, EmptyTableGivesEmptyValues) {
  open(writer::Control(), true);
  control_object() = std::make_shared<DBKONTRO>();
  EXPECT_TRUE(ASSIGNDBKONTRO("F"));
  const DBKONTRO& k = *control_object();
  EXPECT_EQ(k.DWDATAID, 0u);
  EXPECT_EQ(k.CATASNAMA, "");
  EXPECT_TRUE(k.DAKTIF.empty());
}

TEST_F(AssignControlTest, CharacterActiveDateRaisesARuntimeError) {
  const std::string folder = test::scratch_path("");
  writer::DbfSpec spec{0x30,
                       {{"DATAID", 'N', 10},
                        {"VERSI", 'N', 5},
                        {"NAMA", 'C', 10},
                        {"ALAMAT", 'C', 10},
                        {"NPWP", 'C', 10},
                        {"AKTIF", 'C', 8},
                        {"HAPUS_DATA", 'D'}}};
  ASSERT_TRUE(writer::write_dbf(folder + "M_KONTRO.KV3", spec,
                                {writer::Row{{1, 1, "A", "B", "C", "20260307"}}}));
  ASSERT_TRUE(DBUSEAREA(true, "", folder + "M_KONTRO.KV3", "M_KONTRO", true, true));
  control_object() = std::make_shared<DBKONTRO>();
  std::vector<uint32_t> codes;
  install_error_handler([&](const Value& e) {
    codes.push_back(as_error(e)->GENCODE);
    return Value();
  });
  ASSIGNDBKONTRO("F");
  ASSERT_EQ(codes.size(), 1u);
  EXPECT_EQ(codes[0], 33u);
  EXPECT_TRUE(control_object()->DAKTIF.empty());
}

TEST_F(AssignControlTest, MissingControlObjectRaisesARuntimeError) {
  int raised = 0;
  install_error_handler([&](const Value&) {
    ++raised;
    return Value();
  });
  EXPECT_TRUE(ASSIGNDBKONTRO("F"));
  EXPECT_EQ(raised, 1);
}

}  // namespace
}  // namespace kx
