// Every tag of every compound index in the corpus of files that another xBase
// product wrote, read in place.
#include "support/testing/corpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "tables/cdx/cdx_test_util.h"

namespace kx::tables::cdx {
namespace {

struct ExpectedTag {
  const char* file;
  const char* name;
  const char* key_expression;
  const char* for_expression;
  const char* flags;      // c candidate, d descending, n nullable, b bitmap
  const char* collation;  // "" for machine
  char key_type;          // C N I D T L, '?' for bitmap tags
  uint16_t key_length;
  int depth;  // 0 for bitmap tags
  uint64_t keys;
};

// clang-format off
const ExpectedTag kCorpus[] = {
    {"asset-depreciation/Asset Tracking.DCX", "OBJECTNAME", "STR(parentid)+objecttype+LOWER(objectname)", ".NOT.DELETED()", "", "", 'C', 148, 2, 71},
    {"asset-depreciation/Asset Tracking.DCX", "OBJECTTYPE", "STR(parentid)+objecttype", ".NOT.DELETED()", "", "", 'C', 20, 1, 71},
    {"asset-depreciation/Depreciation.CDX", "ASSETID", "assetid", "", "", "", 'I', 4, 1, 9},
    {"asset-depreciation/Depreciation.CDX", "DEPREDATE", "depreciationdate", "", "", "", 'T', 8, 1, 9},
    {"asset-depreciation/Depreciation.CDX", "PRIMARYKEY", "depreciationid", "", "c", "", 'I', 4, 1, 9},
    {"fdkeywrd/fdkeywrd.cdx", "TOKEN", "UPPER(token)", "", "", "", 'C', 30, 3, 2335},
    {"foxbin2prg-tests/fb2p_dbf.cdx", "DEPTO", "depto", ".NOT.DELETED().AND..T.", "", "GENERAL", 'C', 20, 1, 5},
    {"foxbin2prg-tests/fb2p_dbf.cdx", "EDAD", "edad", "", "cd", "", 'N', 8, 1, 5},
    {"foxbin2prg-tests/fb2p_dbf.cdx", "EDAD_ND", "edad", ".NOT.DELETED()", "", "", 'N', 8, 1, 5},
    {"foxbin2prg-tests/fb2p_dbf.cdx", "ID", "id", "", "c", "", 'I', 4, 1, 5},
    {"foxbin2prg-tests/fb2p_dbf.cdx", "I_NOMBRE", "nombre", ".NOT.DELETED().AND..T..AND..NOT..F.", "d", "GENERAL", 'C', 60, 1, 5},
    {"foxbin2prg-tests/fb2p_dbf.cdx", "NOMBRE", "nombre", ".NOT.DELETED().AND..T..AND..T.", "", "GENERAL", 'C', 60, 1, 5},
    {"foxbin2prg-tests/fb2p_dbf.cdx", "NOTDELETED", ".NOT.DELETED()", "", "b", "", '?', 1, 0, 0},
    {"foxbin2prg-tests/fb2p_depto.cdx", "DEPTO", "depto", "depto=>\"0\"", "c", "", 'C', 10, 1, 1},
    {"foxbin2prg-tests/fb2p_depto.cdx", "DESCRIP", "descrip", "", "d", "GENERAL", 'C', 100, 1, 1},
    {"foxbin2prg-tests/fb2p_free.cdx", "CARACTER", "caracter", ".NOT.EMPTY(caracter)", "c", "GENERAL", 'C', 60, 1, 3},
    {"foxbin2prg-tests/fb2p_free.cdx", "ENTERO", "entero", "", "d", "", 'I', 4, 1, 4},
    {"foxbin2prg-tests/fb2p_free.cdx", "LOGICO", "logico", "", "b", "", '?', 1, 0, 0},
    {"foxbin2prg-tests/foxuser_fdbozzo.cdx", "NAME", "PADR(name,50)", ".NOT.EMPTY(name)", "", "", 'C', 50, 2, 63},
    {"foxbin2prg-tests/foxuser_fdbozzo.cdx", "READONLY", "readonly", "", "b", "", '?', 1, 0, 0},
    {"foxbin2prg-tests/foxuser_fdbozzo.cdx", "TYPE", "type", "", "", "", 'C', 12, 1, 74},
    {"foxbin2prg-tests/foxuser_fdbozzo.cdx", "UPDATED", "DTOS(updated)", "", "", "", 'C', 8, 1, 74},
    {"foxbin2prg-tests/foxuser_fdbozzo.cdx", "WIZARD_1", "DTOS(updated)+id", "", "", "", 'C', 20, 2, 74},
    {"foxref/foxref_ref.CDX", "CHECKED", "checked", "", "n", "", 'L', 2, 1, 79},
    {"foxref/foxref_ref.CDX", "FILEID", "fileid", "", "", "", 'C', 10, 1, 79},
    {"foxref/foxref_ref.CDX", "INACTIVE", "inactive", "", "", "", 'L', 1, 1, 79},
    {"foxref/foxref_ref.CDX", "REFID", "refid", "", "", "", 'C', 10, 1, 79},
    {"foxref/foxref_ref.CDX", "REFTYPE", "reftype", "", "", "", 'C', 1, 1, 79},
    {"foxref/foxref_ref.CDX", "SETID", "setid", "", "", "", 'C', 10, 1, 79},
    {"foxref/foxref_ref.CDX", "UNIQUEID", "uniqueid", "", "", "", 'C', 10, 1, 79},
    {"northwind-orderdetails/orderdetails.cdx", "ORDERID", "orderid", "", "", "", 'I', 4, 2, 2155},
    {"northwind-orderdetails/orderdetails.cdx", "PRIMARYKEY", "STR(orderid)+STR(productid)", "", "c", "", 'C', 20, 3, 2155},
    {"northwind-orderdetails/orderdetails.cdx", "PRODUCTID", "productid", "", "", "", 'I', 4, 2, 2155},
    {"northwind-orders/orders.cdx", "CUSTOMERID", "customerid", "", "n", "", 'C', 6, 2, 830},
    {"northwind-orders/orders.cdx", "EMPLOYEEID", "employeeid", "", "n", "", 'I', 5, 2, 830},
    {"northwind-orders/orders.cdx", "ORDERDATE", "orderdate", "", "n", "", 'D', 9, 2, 830},
    {"northwind-orders/orders.cdx", "ORDERID", "orderid", "", "c", "", 'I', 4, 2, 830},
    {"northwind-orders/orders.cdx", "SHIPPEDDAT", "shippeddate", "", "n", "", 'D', 9, 2, 830},
    {"northwind-orders/orders.cdx", "SHIPPERID", "shipvia", "", "n", "", 'I', 5, 2, 830},
    {"order-entry-orders/Order Entry.DCX", "OBJECTNAME", "STR(parentid)+objecttype+LOWER(objectname)", ".NOT.DELETED()", "", "", 'C', 148, 3, 139},
    {"order-entry-orders/Order Entry.DCX", "OBJECTTYPE", "STR(parentid)+objecttype", ".NOT.DELETED()", "", "", 'C', 20, 2, 139},
    {"order-entry-orders/Orders.CDX", "CUSTOMERID", "customerid", "", "", "", 'I', 4, 1, 15},
    {"order-entry-orders/Orders.CDX", "EMPLOYEEID", "employeeid", "", "", "", 'I', 4, 1, 15},
    {"order-entry-orders/Orders.CDX", "ORDERDATE", "orderdate", "", "", "", 'D', 8, 1, 15},
    {"order-entry-orders/Orders.CDX", "PRIMARYKEY", "orderid", "", "c", "", 'I', 4, 1, 15},
    {"order-entry-orders/Orders.CDX", "SHIPMETH", "shippingmethodid", "", "", "", 'I', 4, 1, 15},
    {"order-entry-orders/Orders.CDX", "SHIPNAME", "shipname", "", "", "", 'C', 50, 1, 15},
    {"order-entry-orders/Orders.CDX", "SHIPPOSTAL", "shippostalcode", "", "", "", 'C', 20, 1, 15},
    {"samples-orditems/orditems.cdx", "ORDER_ID", "order_id+STR(line_no,5,0)", "", "", "", 'C', 11, 3, 2820},
    {"samples-orditems/orditems.cdx", "PRODUCT_ID", "product_id", "", "", "", 'C', 6, 2, 2820},
    {"savedcovlog/SavedCovLog.cdx", "AVG", "avg", "", "", "PINYIN", 'N', 8, 2, 274},
    {"savedcovlog/SavedCovLog.cdx", "CODE", "code", "", "", "PINYIN", 'C', 239, 7, 274},
    {"savedcovlog/SavedCovLog.cdx", "FILETYPE", "filetype", "", "", "PINYIN", 'C', 20, 2, 274},
    {"savedcovlog/SavedCovLog.cdx", "FIRST", "first", "", "", "PINYIN", 'N', 8, 2, 274},
    {"savedcovlog/SavedCovLog.cdx", "HITS", "hits", "", "", "PINYIN", 'I', 4, 2, 274},
    {"savedcovlog/SavedCovLog.cdx", "LINE", "line", "", "", "PINYIN", 'I', 4, 2, 274},
    {"savedcovlog/SavedCovLog.cdx", "METHOD", "method", "", "", "PINYIN", 'C', 239, 3, 274},
    {"savedcovlog/SavedCovLog.cdx", "OBJCLASS", "objclass", "", "", "PINYIN", 'C', 239, 3, 274},
    {"savedcovlog/SavedCovLog.cdx", "PLINE", "pline", "", "", "PINYIN", 'I', 4, 2, 274},
    {"savedcovlog/SavedCovLog.cdx", "SOURCE", "source", "", "", "PINYIN", 'C', 239, 3, 274},
    {"savedcovlog/SavedCovLog.cdx", "TOTAL", "total", "", "", "PINYIN", 'N', 8, 2, 274},
    {"thor-source/thor source.cdx", "SORTORDER", "sortorder", "", "", "", 'N', 8, 1, 76},
    {"upsizing-typemap/_typemap.cdx", "BOTH", "localtype+server", "", "", "", 'C', 13, 2, 170},
    {"upsizing-typemap/_typemap.cdx", "LOCALTYPE", "localtype", "", "", "", 'C', 1, 1, 170},
    {"upsizing-typemap/_typemap.cdx", "REMOTETYPE", "remotetype", "", "", "", 'C', 20, 2, 170},
    {"w32-examples-functions/w32_examples_functions.cdx", "EF", "exampleid*10000+functionid", "", "c", "", 'N', 8, 2, 3204},
    {"w32-examples-functions/w32_examples_functions.cdx", "EXAMPLEID", "exampleid", "", "", "", 'I', 4, 2, 3204},
    {"w32-examples-functions/w32_examples_functions.cdx", "FUNCTIONID", "functionid", "", "", "", 'I', 4, 2, 3204},
};
// clang-format on

std::string corpus_path(const std::string& file) { return test::corpus_dir() + "/foxpro/" + file; }

bool has_flag(const ExpectedTag& e, char flag) {
  return std::string(e.flags).find(flag) != std::string::npos;
}

std::vector<ExpectedTag> tags_where(bool bitmap) {
  std::vector<ExpectedTag> out;
  for (const ExpectedTag& e : kCorpus) {
    if (has_flag(e, 'b') == bitmap) out.push_back(e);
  }
  return out;
}

class CdxCorpusTest : public ::testing::TestWithParam<ExpectedTag> {
 protected:
  void SetUp() override {
    KX_SKIP_WITHOUT_CORPUS();
    index_ = open_path(corpus_path(GetParam().file), &status_);
    ASSERT_TRUE(index_) << status_.description();
    tag_ = index_->find_tag(GetParam().name);
    ASSERT_GE(tag_, 0);
  }
  const TagInfo& info() const { return index_->tags()[tag_]; }

  Status status_;
  std::unique_ptr<IndexFile> index_;
  int tag_ = -1;
};

TEST_P(CdxCorpusTest, HeaderMatchesTheManifest) {
  const ExpectedTag& e = GetParam();
  EXPECT_EQ(info().key_expression, e.key_expression);
  EXPECT_EQ(info().for_expression, e.for_expression);
  EXPECT_EQ(info().key_length, e.key_length);
  EXPECT_EQ(info().collation, e.collation);
  EXPECT_EQ(info().candidate, has_flag(e, 'c'));
  EXPECT_EQ(info().descending, has_flag(e, 'd'));
  EXPECT_EQ(info().nullable, has_flag(e, 'n'));
  EXPECT_EQ(info().is_btree(), !has_flag(e, 'b'));
  EXPECT_FALSE(info().unique);
  EXPECT_EQ(info().can_order(), !has_flag(e, 'b') && std::string(e.collation).empty());
  EXPECT_EQ((info().options & 0x08) != 0, !std::string(e.for_expression).empty());
}

using CdxCorpusBtreeTest = CdxCorpusTest;

TEST_P(CdxCorpusTest, BitmapTagsGiveAFailedCursor) {
  if (info().is_btree()) return;
  std::unique_ptr<TagCursor> cursor = index_->cursor(tag_);
  cursor->seek_first();
  EXPECT_FALSE(cursor->valid());
  EXPECT_EQ(cursor->status().gencode(), kGenArgument);
  uint64_t count = 0;
  EXPECT_FALSE(index_->key_count(tag_, &count).ok());
}

TEST_P(CdxCorpusBtreeTest, FillFollowsTheKeyType) {
  const ExpectedTag& e = GetParam();
  const bool blank = e.key_type == 'C' && std::string(e.collation).empty() && !has_flag(e, 'n');
  EXPECT_EQ(info().fill, blank ? ' ' : '\0');
}

TEST_P(CdxCorpusBtreeTest, WalksVisitEveryKeyInOrderBothWays) {
  const ExpectedTag& e = GetParam();
  std::unique_ptr<TagCursor> cursor = index_->cursor(tag_);
  std::vector<WalkEntry> forward = walk(cursor.get(), true);
  ASSERT_TRUE(cursor->status().ok()) << cursor->status().description();
  std::vector<WalkEntry> backward = walk(cursor.get(), false);
  ASSERT_TRUE(cursor->status().ok()) << cursor->status().description();
  EXPECT_EQ(forward.size(), e.keys);
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(backward, forward);
  // Stored order is ascending by (key, record number); a descending tag's
  // order is its exact reverse.
  std::vector<WalkEntry> stored = forward;
  if (info().descending) std::reverse(stored.begin(), stored.end());
  for (size_t i = 1; i < stored.size(); ++i) {
    ASSERT_TRUE(stored[i - 1].key < stored[i].key ||
                (stored[i - 1].key == stored[i].key && stored[i - 1].recno < stored[i].recno))
        << "entry " << i;
  }
  uint64_t count = 0;
  ASSERT_TRUE(index_->key_count(tag_, &count).ok());
  EXPECT_EQ(count, e.keys);
}

// A seek reads at most one run of pages per level (fewer where the first
// read of the file or an earlier run already holds them), and the same seek
// again reads nothing.
TEST_P(CdxCorpusBtreeTest, SeekReadsAtMostOnePageRunPerLevelAndNothingTwice) {
  const ExpectedTag& e = GetParam();
  std::unique_ptr<TagCursor> cursor = index_->cursor(tag_);
  const uint64_t before = index_->read_count();
  cursor->seek_first();
  EXPECT_LE(index_->read_count() - before, static_cast<uint64_t>(e.depth));
  const uint64_t after = index_->read_count();
  cursor->seek_first();
  EXPECT_EQ(index_->read_count(), after);
}

TEST_P(CdxCorpusBtreeTest, SeeksLandWhereALinearScanSays) {
  const ExpectedTag& e = GetParam();
  std::unique_ptr<TagCursor> cursor = index_->cursor(tag_);
  const std::vector<WalkEntry> order = walk(cursor.get(), true);
  const bool descending = info().descending;
  std::vector<std::string> probes = {std::string(), std::string(e.key_length, '\0'),
                                     std::string(e.key_length, '\xFF'), std::string(1, '\x7F')};
  const size_t step = std::max<size_t>(1, order.size() / 150);
  for (size_t i = 0; i < order.size(); i += step) {
    const std::string& key = order[i].key;
    probes.push_back(key);
    probes.push_back(key.substr(0, std::max<size_t>(1, key.size() / 2)));
    probes.push_back(successor(key));
    probes.push_back(successor(key.substr(0, std::max<size_t>(1, key.size() / 2))));
  }
  for (const std::string& probe : probes) {
    const size_t want = expected_seek(order, probe, descending);
    cursor->seek(probe);
    ASSERT_TRUE(cursor->status().ok()) << cursor->status().description();
    if (want == order.size()) {
      EXPECT_FALSE(cursor->valid());
      continue;
    }
    ASSERT_TRUE(cursor->valid());
    EXPECT_EQ(cursor->key(), order[want].key);
    EXPECT_EQ(cursor->recno(), order[want].recno);
  }
}

TEST_P(CdxCorpusBtreeTest, SeekingEveryKeyFindsItsFirstEntry) {
  std::unique_ptr<TagCursor> cursor = index_->cursor(tag_);
  const std::vector<WalkEntry> order = walk(cursor.get(), true);
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0 && order[i - 1].key == order[i].key) continue;
    cursor->seek(order[i].key);
    ASSERT_TRUE(cursor->valid()) << i;
    EXPECT_EQ(cursor->key(), order[i].key);
    EXPECT_EQ(cursor->recno(), order[i].recno) << i;
  }
}

std::string test_name(const ::testing::TestParamInfo<ExpectedTag>& info) {
  std::string name = std::string(info.param.file) + "_" + info.param.name;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CdxCorpusTest, ::testing::ValuesIn(kCorpus), test_name);
INSTANTIATE_TEST_SUITE_P(Corpus, CdxCorpusBtreeTest, ::testing::ValuesIn(tags_where(false)),
                         test_name);

class CdxCorpusFileTest : public test::CorpusTest {};

TEST_F(CdxCorpusFileTest, EveryTagOfEveryFileIsListedAndTagsLieInHeaderOrder) {
  std::set<std::string> files;
  for (const ExpectedTag& e : kCorpus) files.insert(e.file);
  for (const std::string& file : files) {
    Status status;
    std::unique_ptr<IndexFile> index = open_path(corpus_path(file), &status);
    ASSERT_TRUE(index) << file << ": " << status.description();
    std::set<std::string> expected, actual;
    for (const ExpectedTag& e : kCorpus) {
      if (file == e.file) expected.insert(e.name);
    }
    for (size_t i = 0; i < index->tags().size(); ++i) {
      actual.insert(index->tags()[i].name);
      if (i > 0) {
        EXPECT_LT(index->tags()[i - 1].header_offset, index->tags()[i].header_offset);
      }
    }
    EXPECT_EQ(actual, expected) << file;
  }
}

TEST_F(CdxCorpusFileTest, TagsAreFoundByNameInAnyLetterCase) {
  Status status;
  std::unique_ptr<IndexFile> index = open_path(corpus_path("northwind-orders/orders.cdx"), &status);
  ASSERT_TRUE(index);
  const int tag = index->find_tag("shippeddat");
  ASSERT_GE(tag, 0);
  EXPECT_EQ(index->tags()[tag].name, "SHIPPEDDAT");
  EXPECT_EQ(index->find_tag("OrderId  "), index->find_tag("ORDERID"));
  EXPECT_EQ(index->find_tag("SHIPPED"), -1);
  EXPECT_EQ(index->find_tag(""), -1);
}

}  // namespace
}  // namespace kx::tables::cdx
