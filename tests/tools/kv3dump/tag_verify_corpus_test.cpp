// The index check on every tag of the corpus tables: each tag whose
// expression the language covers is evaluated and gives no finding; every
// other tag says why it was skipped.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "kv3dump/tag_verify.h"
#include "support/testing/corpus.h"
#include "tables/dbf/table_files.h"
#include "tables/open_file.h"

namespace kx::kv3dump {
namespace {

namespace cdx = tables::cdx;
namespace dbf = tables::dbf;
using tables::open_file;
using tables::Status;

struct CorpusIndex {
  const char* table;  // under corpus/foxpro
  const char* index;
  std::set<std::string> evaluable;  // the tags expected to be checked
};

const std::vector<CorpusIndex>& corpus_indexes() {
  static const std::vector<CorpusIndex> kIndexes = {
      {"asset-depreciation/Asset Tracking.DBC",
       "asset-depreciation/Asset Tracking.DCX",
       {"OBJECTNAME", "OBJECTTYPE"}},
      // DEPREDATE and PRIMARYKEY use long field names of the container.
      {"asset-depreciation/depreciation.dbf", "asset-depreciation/Depreciation.CDX", {"ASSETID"}},
      {"fdkeywrd/fdkeywrd.dbf", "fdkeywrd/fdkeywrd.cdx", {"TOKEN"}},
      // DEPTO, I_NOMBRE and NOMBRE are GENERAL tags, NOTDELETED a bitmap tag.
      {"foxbin2prg-tests/fb2p_dbf.dbf", "foxbin2prg-tests/fb2p_dbf.cdx", {"EDAD", "EDAD_ND", "ID"}},
      {"foxbin2prg-tests/fb2p_depto.dbf", "foxbin2prg-tests/fb2p_depto.cdx", {"DEPTO"}},
      {"foxbin2prg-tests/fb2p_free.dbf", "foxbin2prg-tests/fb2p_free.cdx", {"ENTERO"}},
      {"foxbin2prg-tests/foxuser_fdbozzo.dbf",
       "foxbin2prg-tests/foxuser_fdbozzo.cdx",
       {"NAME", "TYPE", "UPDATED", "WIZARD_1"}},
      {"foxref/foxref_ref.DBF",
       "foxref/foxref_ref.CDX",
       {"CHECKED", "FILEID", "INACTIVE", "REFID", "REFTYPE", "SETID", "UNIQUEID"}},
      {"northwind-orderdetails/orderdetails.dbf",
       "northwind-orderdetails/orderdetails.cdx",
       {"ORDERID", "PRIMARYKEY", "PRODUCTID"}},
      // SHIPPEDDAT's key names the long field name shippeddate.
      {"northwind-orders/orders.dbf",
       "northwind-orders/orders.cdx",
       {"CUSTOMERID", "EMPLOYEEID", "ORDERDATE", "ORDERID", "SHIPPERID"}},
      {"order-entry-orders/order entry.dbc",
       "order-entry-orders/Order Entry.DCX",
       {"OBJECTNAME", "OBJECTTYPE"}},
      {"order-entry-orders/orders.dbf",
       "order-entry-orders/Orders.CDX",
       {"CUSTOMERID", "EMPLOYEEID", "ORDERDATE", "PRIMARYKEY", "SHIPNAME"}},
      {"samples-orditems/orditems.dbf",
       "samples-orditems/orditems.cdx",
       {"ORDER_ID", "PRODUCT_ID"}},
      // Every tag is under the PINYIN collation.
      {"savedcovlog/SavedCovLog.dbf", "savedcovlog/SavedCovLog.cdx", {}},
      {"thor-source/thor source.dbf", "thor-source/thor source.cdx", {"SORTORDER"}},
      {"upsizing-typemap/_typemap.dbf",
       "upsizing-typemap/_typemap.cdx",
       {"BOTH", "LOCALTYPE", "REMOTETYPE"}},
      {"w32-examples-functions/w32_examples_functions.dbf",
       "w32-examples-functions/w32_examples_functions.cdx",
       {"EF", "EXAMPLEID", "FUNCTIONID"}},
  };
  return kIndexes;
}

std::string corpus(const std::string& leaf) { return test::corpus_dir() + "/foxpro/" + leaf; }

class VerifyCorpusTest : public test::CorpusTest {};

TEST_F(VerifyCorpusTest, EveryEvaluableTagMatchesItsTable) {
  size_t evaluated = 0;
  for (const CorpusIndex& c : corpus_indexes()) {
    SCOPED_TRACE(c.index);
    Status status;
    std::unique_ptr<dbf::Table> table = dbf::open_table(corpus(c.table), {}, &status);
    ASSERT_TRUE(table) << status.description();
    std::unique_ptr<platform::RandomAccessFile> source =
        open_file(corpus(c.index), {}, tables::NameMatch::kAnyCase, &status);
    ASSERT_TRUE(source) << status.description();
    std::unique_ptr<cdx::IndexFile> index = cdx::IndexFile::open(std::move(source), &status);
    ASSERT_TRUE(index) << status.description();
    std::set<std::string> checked;
    for (size_t t = 0; t < index->tags().size(); ++t) {
      const VerifyReport r = verify_tag(*table, *index, t);
      EXPECT_TRUE(r.status.ok()) << r.tag << ": " << r.status.description();
      EXPECT_FALSE(r.has_findings()) << r.tag << ": missing " << r.missing.size() << ", extra "
                                     << r.extra.size() << ", different " << r.different.size();
      if (r.evaluable) {
        checked.insert(r.tag);
      } else {
        EXPECT_FALSE(r.reason.empty()) << r.tag;
      }
      if (!r.evaluable && c.evaluable.count(r.tag) != 0) ADD_FAILURE() << r.tag << ": " << r.reason;
    }
    EXPECT_EQ(checked, c.evaluable);
    evaluated += checked.size();
  }
  EXPECT_EQ(evaluated, 44u);
}

TEST_F(VerifyCorpusTest, SkippedTagsSayWhy) {
  Status status;
  std::unique_ptr<dbf::Table> table =
      dbf::open_table(corpus("foxbin2prg-tests/fb2p_dbf.dbf"), {}, &status);
  ASSERT_TRUE(table);
  std::unique_ptr<cdx::IndexFile> index = cdx::IndexFile::open(
      open_file(corpus("foxbin2prg-tests/fb2p_dbf.cdx"), {}, tables::NameMatch::kAnyCase, &status),
      &status);
  ASSERT_TRUE(index);
  EXPECT_EQ(verify_tag(*table, *index, static_cast<size_t>(index->find_tag("NOTDELETED"))).reason,
            "bitmap tag");
  EXPECT_EQ(verify_tag(*table, *index, static_cast<size_t>(index->find_tag("NOMBRE"))).reason,
            "tag under collation GENERAL: only machine-collation tags are checked");
}

}  // namespace
}  // namespace kx::kv3dump
