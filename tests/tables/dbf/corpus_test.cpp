// Reads every table of the FoxPro-made corpus in place and checks what its
// manifest states: version byte, record count, header and record length,
// memo block size and every field descriptor; then walks every record.
#include "support/testing/corpus.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "tables/dbf/dbf_test_util.h"
#include "tables/dbf/table.h"
#include "tables/dbf/table_files.h"

namespace kx::test {
namespace {

using tables::Status;
using tables::dbf::Field;
using tables::dbf::Record;
using tables::dbf::Table;

struct CorpusTable {
  const char* path;  // under foxpro/
  uint8_t version;
  uint32_t records;
  uint16_t header_length;
  uint16_t record_length;
  uint32_t memo_block_size;  // 0: no memo file
  const char* fields;        // "NAME T(w,d) 0xFLAGS, ..." as the manifest lists them
};

const CorpusTable kCorpus[] = {
    {"asset-depreciation/Asset Tracking.DBC", 0x30, 71, 552, 165, 64,
     "OBJECTID I(4,0) 0x04, PARENTID I(4,0) 0x04, OBJECTTYPE C(10,0), OBJECTNAME C(128,0), "
     "PROPERTY M(4,0) 0x04, CODE M(4,0) 0x04, RIINFO C(6,0), USER M(4,0)"},
    {"asset-depreciation/depreciation.dbf", 0x30, 9, 424, 25, 0,
     "DEPRECIATI I(4,0) 0x04, ASSETID I(4,0) 0x04, DEPRECIAT2 T(8,0) 0x04, DEPRECIAT3 Y(8,4) 0x04"},
    {"fdkeywrd/fdkeywrd.dbf", 0x03, 2335, 97, 36, 0, "TOKEN C(30,0), CODE C(5,0)"},
    {"foxbin2prg-tests/fb2p_dbf.dbf", 0x31, 5, 456, 52, 64,
     "NOMBRE C(30,0), EDAD N(3,0), ID I(4,0) 0x0c, BIGTEXT M(4,0), DEPTO C(10,0)"},
    {"foxbin2prg-tests/fb2p_depto.dbf", 0x30, 1, 360, 61, 0, "DEPTO C(10,0), DESCRIP C(50,0)"},
    {"foxbin2prg-tests/fb2p_free.dbf", 0x32, 4, 904, 249, 64,
     "CARACTER C(30,0) 0x02, FECHA D(8,0) 0x02, FECHORA T(8,0) 0x06, LOGICO L(1,0), DOBLE B(8,5) "
     "0x04, FLOTANTE F(10,6), NUMERICO N(12,3), BLOB W(4,0) 0x04, MONEDA Y(8,4) 0x04, GENERAL "
     "G(4,0), ENTERO I(4,0) 0x04, NOTAS M(4,0), VAR_BINARY Q(35,0) 0x04, VAR_CHAR V(36,0), "
     "NOTASBIN M(4,0) 0x04, CARC_BIN C(30,0) 0x04, VARCHARBIN V(37,0) 0x04, ID_AUTOINC I(4,0) "
     "0x0c, _NullFlags 0(1,0) 0x05"},
    {"foxbin2prg-tests/foxuser_fdbozzo.dbf", 0x30, 74, 520, 48, 64,
     "TYPE C(12,0), ID C(12,0), NAME M(4,0), READONLY L(1,0), CKVAL N(6,0), DATA M(4,0), UPDATED "
     "D(8,0)"},
    {"foxref/foxref_ref.DBF", 0x30, 79, 968, 112, 64,
     "UNIQUEID C(10,0), SETID C(10,0), REFID C(10,0), REFTYPE C(1,0), FINDTYPE C(1,0), FILEID "
     "C(10,0), SYMBOL M(4,0), CLASSNAME M(4,0), PROCNAME M(4,0), PROCLINENO I(4,0) 0x04, LINENO "
     "I(4,0) 0x04, COLPOS I(4,0) 0x04, MATCHLEN I(4,0) 0x04, ABSTRACT M(4,0), RECORDID C(10,0), "
     "UPDFIELD C(15,0), CHECKED L(1,0) 0x02, NOREPLACE L(1,0), TIMESTAMP T(8,0) 0x06, INACTIVE "
     "L(1,0), _NullFlags 0(1,0) 0x05"},
    {"foxuser-fp2/foxuser.dbf", 0xf5, 86, 257, 74, 33,
     "TYPE C(12,0), ID C(12,0), NAME C(24,0), READONLY L(1,0), CKVAL N(6,0), DATA M(10,0), UPDATED "
     "D(8,0)"},
    {"northwind-orderdetails/orderdetails.dbf", 0x30, 2155, 456, 41, 0,
     "ORDERID I(4,0) 0x04, PRODUCTID I(4,0) 0x04, UNITPRICE Y(8,4) 0x04, QUANTITY I(4,0) 0x04, "
     "DISCOUNT N(20,5)"},
    {"northwind-orders/orders.dbf", 0x31, 830, 776, 207, 0,
     "ORDERID I(4,0) 0x0c, CUSTOMERID C(5,0) 0x02, EMPLOYEEID I(4,0) 0x06, ORDERDATE D(8,0) 0x02, "
     "REQUIREDDA D(8,0) 0x02, SHIPPEDDAT D(8,0) 0x02, SHIPVIA I(4,0) 0x06, FREIGHT Y(8,4) 0x06, "
     "SHIPNAME C(40,0) 0x02, SHIPADDRES C(60,0) 0x02, SHIPCITY C(15,0) 0x02, SHIPREGION C(15,0) "
     "0x02, SHIPPOSTAL C(10,0) 0x02, SHIPCOUNTR C(15,0) 0x02, _NullFlags 0(2,0) 0x05"},
    {"order-entry-orders/order entry.dbc", 0x30, 139, 552, 165, 64,
     "OBJECTID I(4,0) 0x04, PARENTID I(4,0) 0x04, OBJECTTYPE C(10,0), OBJECTNAME C(128,0), "
     "PROPERTY M(4,0) 0x04, CODE M(4,0) 0x04, RIINFO C(6,0), USER M(4,0)"},
    {"order-entry-orders/orders.dbf", 0x30, 15, 808, 333, 64,
     "ORDERID I(4,0) 0x04, CUSTOMERID I(4,0) 0x04, EMPLOYEEID I(4,0) 0x04, ORDERDATE D(8,0), "
     "PURCHASEOR C(30,0), SHIPNAME C(50,0), SHIPADDRES M(4,0), SHIPCITY C(50,0), SHIPSTATEO "
     "C(50,0), SHIPPOSTAL C(20,0), SHIPCOUNTR C(50,0), SHIPPHONEN C(30,0), SHIPDATE D(8,0), "
     "SHIPPINGME I(4,0) 0x04, FREIGHTCHA Y(8,4) 0x04, SALESTAXRA B(8,2) 0x04"},
    {"samples-orditems/orditems.dbf", 0x30, 2820, 456, 38, 0,
     "LINE_NO N(5,0), ORDER_ID C(6,0), PRODUCT_ID C(6,0), UNIT_PRICE Y(8,4) 0x04, QUANTITY "
     "N(12,3)"},
    {"savedcovlog/SavedCovLog.dbf", 0x30, 274, 648, 598, 0,
     "CODE C(200,0), HITS I(4,0) 0x04, FIRST N(12,6), AVG N(12,6), TOTAL N(12,6), SOURCE C(115,0), "
     "LINE I(4,0) 0x04, METHOD C(115,0), OBJCLASS C(115,0), FILETYPE C(4,0), PLINE I(4,0) 0x04"},
    {"thor-source/thor source.dbf", 0x31, 76, 1032, 1044, 64,
     "ID I(4,0) 0x0c, CATEGORY C(120,0), SUBCAT C(60,0), SORTORDER N(4,0), MINORSORT N(4,0), "
     "THORREPO L(1,0), TOOLPRMPT C(100,0), CODE C(100,0), SUMMARY C(100,0), DESCRIPT M(4,0), "
     "MENUID I(4,0) 0x04, SUBMENU L(1,0), SEPARATOR L(1,0), SUBMENUID I(4,0) 0x04, PRGNAME "
     "C(60,0), STATUSBAR C(250,0), WEBPAGE C(60,0), PREFNAME C(30,0), PRGPROMPT C(100,0), "
     "OPTIONCLS L(1,0), OPTIONTOOL C(30,0), STARTUP L(1,0), PLUGINS M(4,0)"},
    {"upsizing-typemap/_typemap.dbf", 0x03, 170, 257, 47, 0,
     "LOCALTYPE C(1,0), FULLLOCAL C(10,0), REMOTETYPE C(20,0), VARLENGTH L(1,0), HASPREC L(1,0), "
     "DEFAULT L(1,0), SERVER C(12,0)"},
    {"w32-examples-functions/w32_examples_functions.dbf", 0x30, 3204, 360, 9, 0,
     "EXAMPLEID I(4,0) 0x04, FUNCTIONID I(4,0) 0x04"},
};

std::string corpus_path(const std::string& leaf) { return corpus_dir() + "/foxpro/" + leaf; }

std::string describe(const Field& f) {
  char flags[16] = "";
  if (f.flags != 0) std::snprintf(flags, sizeof flags, " 0x%02x", f.flags);
  return f.name + " " + std::string(1, f.type) + "(" + std::to_string(f.width) + "," +
         std::to_string(f.decimals) + ")" + flags;
}

std::string describe_fields(const Table& table) {
  std::string out;
  for (const Field& f : table.fields()) out += (out.empty() ? "" : ", ") + describe(f);
  if (table.layout().null_flags) out += ", " + describe(*table.layout().null_flags);
  return out;
}

std::unique_ptr<Table> open_corpus(const std::string& leaf) {
  Status s;
  auto table = tables::dbf::open_table(corpus_path(leaf), {}, &s);
  EXPECT_NE(table, nullptr) << leaf << ": " << s.description() << " " << s.filename();
  return table;
}

class DbfCorpusTest : public ::testing::TestWithParam<CorpusTable> {
 protected:
  void SetUp() override { KX_SKIP_WITHOUT_CORPUS(); }
};

TEST_P(DbfCorpusTest, HeaderAgreesWithTheManifest) {
  const CorpusTable& c = GetParam();
  auto table = open_corpus(c.path);
  ASSERT_NE(table, nullptr);
  const tables::dbf::HeaderPrefix& p = table->layout().prefix;
  EXPECT_EQ(p.version, c.version);
  EXPECT_EQ(p.record_count, c.records);
  EXPECT_EQ(table->record_count(), c.records);
  EXPECT_EQ(p.header_length, c.header_length);
  EXPECT_EQ(p.record_length, c.record_length);
  EXPECT_EQ(describe_fields(*table), c.fields);
  if (c.memo_block_size == 0) {
    EXPECT_EQ(table->memo(), nullptr);
  } else {
    ASSERT_NE(table->memo(), nullptr);
    EXPECT_EQ(table->memo()->block_size(), c.memo_block_size);
  }
}

TEST_P(DbfCorpusTest, EveryRecordAndFieldReads) {
  auto table = open_corpus(GetParam().path);
  ASSERT_NE(table, nullptr);
  uint32_t deleted = 0;
  for (uint32_t recno = 1; recno <= table->record_count(); ++recno) {
    Record r;
    Status s = table->read_record(recno, &r);
    ASSERT_TRUE(s.ok()) << recno << ": " << s.description();
    deleted += r.deleted();
    for (size_t i = 0; i < table->fields().size(); ++i) {
      Value v;
      s = table->value(r, i, &v);
      ASSERT_TRUE(s.ok()) << recno << " " << table->fields()[i].name << ": " << s.description();
    }
  }
  if (std::string(GetParam().path) == "upsizing-typemap/_typemap.dbf") {
    EXPECT_EQ(deleted, 35u);
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, DbfCorpusTest, ::testing::ValuesIn(kCorpus),
                         [](const ::testing::TestParamInfo<CorpusTable>& info) {
                           std::string name = std::to_string(info.index) + "_" + info.param.path;
                           for (char& ch : name) {
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

class DbfCorpusValueTest : public CorpusTest {};

TEST_F(DbfCorpusValueTest, NorthwindOrderHasIntegerTextDateAndCurrency) {
  auto table = open_corpus("northwind-orders/orders.dbf");
  ASSERT_NE(table, nullptr);
  const std::vector<Value> v = record_values(table.get(), 1);
  EXPECT_EQ(v[0].as_integer(), 10248);
  EXPECT_EQ(v[1].as_string(), "VINET");
  EXPECT_EQ(v[3].as_date(), Date::from_ymd(1996, 7, 4));
  EXPECT_EQ(v[5].as_date(), Date::from_ymd(1996, 7, 16));
  EXPECT_EQ(v[7].as_float().decimal, "32.3800");
  EXPECT_EQ(v[8].as_string(), "Vins et alcools Chevalier" + std::string(15, ' '));
}

TEST_F(DbfCorpusValueTest, NumericFieldsKeepTheirDecimalText) {
  auto details = open_corpus("northwind-orderdetails/orderdetails.dbf");
  ASSERT_NE(details, nullptr);
  const std::vector<Value> d = record_values(details.get(), 1);
  EXPECT_EQ(d[2].as_float().decimal, "14.0000");
  EXPECT_EQ(d[4].as_float().decimal, "0.00000");
  auto items = open_corpus("samples-orditems/orditems.dbf");
  ASSERT_NE(items, nullptr);
  const std::vector<Value> i = record_values(items.get(), 1);
  EXPECT_EQ(i[0].as_integer(), 1);
  EXPECT_EQ(i[1].as_string(), " 10000");
  EXPECT_EQ(i[4].as_float().decimal, "4.000");
  auto thor = open_corpus("thor-source/thor source.dbf");
  ASSERT_NE(thor, nullptr);
  EXPECT_EQ(record_values(thor.get(), 1)[3].as_integer(), 310);
}

TEST_F(DbfCorpusValueTest, TenDigitMemoPointerWithBlockSize33) {
  auto table = open_corpus("foxuser-fp2/foxuser.dbf");
  ASSERT_NE(table, nullptr);
  const std::vector<Value> v = record_values(table.get(), 1);
  EXPECT_EQ(v[4].as_integer(), 4869);
  EXPECT_EQ(v[5].as_string().size(), 82u);
  EXPECT_EQ(v[5].as_string().substr(2, 4), "4143");
  EXPECT_EQ(v[6].as_date(), Date::from_ymd(1994, 10, 27));
}

TEST_F(DbfCorpusValueTest, EveryFieldTypeOfTheFreeTable) {
  auto table = open_corpus("foxbin2prg-tests/fb2p_free.dbf");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->fields().size(), 18u);
  const std::vector<Value> blank = record_values(table.get(), 1);
  EXPECT_EQ(blank[12].as_string(), "");  // short varbinary of length 0
  EXPECT_EQ(blank[13].as_string(), "");
  const std::vector<Value> v = record_values(table.get(), 2);
  EXPECT_EQ(v[0].as_string(), "axaxaxaxaXAXA" + std::string(17, ' '));
  EXPECT_EQ(v[1].as_date(), Date::from_ymd(1969, 11, 26));
  EXPECT_EQ(v[2].as_date(), Date::from_ymd(1969, 11, 26));
  EXPECT_TRUE(v[3].as_logic());
  EXPECT_DOUBLE_EQ(v[4].as_float().value, 123.45676);
  EXPECT_EQ(v[5].as_float().decimal, "123.456786");
  EXPECT_EQ(v[6].as_float().decimal, "123.456");
  EXPECT_EQ(v[8].as_float().decimal, "12345.6786");
  EXPECT_EQ(v[9].as_string(), "");  // no OLE object stored
  EXPECT_EQ(v[10].as_integer(), 1234567896);
  EXPECT_EQ(v[11].as_string(),
            "6.notas "
            "TXT.\r\n\xe1\xe9\xed\xf3\xfa\xc4\xcb\xcf\xd6\xdc\xd1\xf1\xe4\xeb\xef\xf6\xfc.\r\n^"
            "Fin\xc7\xe7");
  EXPECT_EQ(v[12].as_string().size(), 35u);  // full width: short bit clear
  EXPECT_EQ(v[13].as_string(), "var char 6.\xe1\xe9\xed\xf3\xfa\xdc\xd1");
  EXPECT_EQ(v[16].as_string().size(), 25u);
  EXPECT_EQ(v[17].as_integer(), 55);
}

TEST_F(DbfCorpusValueTest, DateTimeAndCurrencyOfDepreciation) {
  auto table = open_corpus("asset-depreciation/depreciation.dbf");
  ASSERT_NE(table, nullptr);
  const std::vector<Value> v = record_values(table.get(), 1);
  EXPECT_EQ(v[2].as_date(), Date::from_julian(2449384));
  EXPECT_EQ(v[3].as_float().decimal, "40.0000");
}

}  // namespace
}  // namespace kx::test
