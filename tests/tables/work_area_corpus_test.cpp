// Walks and seeks every tag of the FoxPro-made corpus through a work area and
// checks the result against an independent walk of the tag's cursor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "support/testing/corpus.h"
#include "tables/cdx/cdx_test_util.h"
#include "tables/cdx/key_encoding.h"
#include "tables/work_area.h"

namespace kx::test {
namespace {

using tables::Status;
using tables::WorkArea;
using tables::cdx::TagInfo;
using tables::cdx::WalkEntry;

const char* const kIndexedTables[] = {"asset-depreciation/depreciation.dbf",
                                      "fdkeywrd/fdkeywrd.dbf",
                                      "foxbin2prg-tests/fb2p_dbf.dbf",
                                      "foxbin2prg-tests/fb2p_depto.dbf",
                                      "foxbin2prg-tests/fb2p_free.dbf",
                                      "foxbin2prg-tests/foxuser_fdbozzo.dbf",
                                      "foxref/foxref_ref.DBF",
                                      "northwind-orderdetails/orderdetails.dbf",
                                      "northwind-orders/orders.dbf",
                                      "order-entry-orders/orders.dbf",
                                      "samples-orditems/orditems.dbf",
                                      "savedcovlog/SavedCovLog.dbf",
                                      "thor-source/thor source.dbf",
                                      "upsizing-typemap/_typemap.dbf",
                                      "w32-examples-functions/w32_examples_functions.dbf"};

// The value whose seek key is key: the key decoded by the type of the field
// that the expression names, else by the key's fill and length.
Value key_value(const TagInfo& tag, WorkArea* area, std::string_view key) {
  std::string_view part = key;
  if (tag.nullable) {
    if (key.empty() || key[0] == '\0') return Value();
    part = key.substr(1);
  }
  const uint32_t pos = area->field_pos(tag.key_expression);
  char type = pos > 0 ? area->table().fields()[pos - 1].type : 0;
  if (type == 0)
    type = tag.fill == ' ' ? 'C' : part.size() == 4 ? 'I' : part.size() == 1 ? 'L' : 'N';
  switch (type) {
    case 'I':
      return Value::integer(*tables::cdx::decode_integer(part));
    case 'N':
    case 'F':
    case 'B':
    case 'Y':
      return Value::floating(*tables::cdx::decode_numeric(part));
    case 'D':
    case 'T':
      return Value::date(*tables::cdx::decode_date(part));
    case 'L':
      return Value::logic(*tables::cdx::decode_logical(part));
    default:
      return Value::string(std::string(part));
  }
}

class WorkAreaCorpusTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    KX_SKIP_WITHOUT_CORPUS();
    Status s;
    area_ = WorkArea::open(corpus_dir() + "/foxpro/" + GetParam(), "T", {}, &s);
    ASSERT_NE(area_, nullptr) << s.description();
    ASSERT_NE(area_->index(), nullptr);
  }

  std::vector<uint32_t> area_walk(bool forward) {
    std::vector<uint32_t> out;
    EXPECT_TRUE(forward ? area_->go_top().ok() : area_->go_bottom().ok());
    while (!area_->eof() && out.size() < 100000) {
      out.push_back(area_->recno());
      const tables::Status s = area_->skip(forward ? 1 : -1);
      EXPECT_TRUE(s.ok()) << s.description();
      if (area_->bof()) break;
    }
    return out;
  }

  // Seeks prefix-encoding value and checks the area against the walk.
  void check_seek(const TagInfo& tag, const std::vector<WalkEntry>& walk, const Value& value,
                  bool soft) {
    const std::string prefix = *tables::cdx::encode_seek_key(tag, value);
    const size_t at = tables::cdx::expected_seek(walk, prefix, tag.descending);
    const bool found = at < walk.size() && walk[at].key.compare(0, prefix.size(), prefix) == 0;
    const tables::Status s = area_->seek(value, soft);
    ASSERT_TRUE(s.ok()) << s.description();
    EXPECT_EQ(area_->found(), found);
    if (found || (soft && at < walk.size())) {
      EXPECT_EQ(area_->recno(), walk[at].recno);
    } else {
      EXPECT_TRUE(area_->eof());
    }
  }

  void check_tag(size_t t) {
    const TagInfo& tag = area_->index()->tags()[t];
    SCOPED_TRACE(tag.name);
    if (!tag.can_order()) {
      EXPECT_TRUE(tag.signature == 2 || tag.signature == 5);
      EXPECT_FALSE(area_->set_order(tag.name).ok());
      return;
    }
    auto cursor = area_->index()->cursor(t);
    const std::vector<WalkEntry> walk = tables::cdx::walk(cursor.get(), true);
    ASSERT_TRUE(cursor->status().ok()) << cursor->status().description();
    uint64_t key_count = 0;
    ASSERT_TRUE(area_->index()->key_count(t, &key_count).ok());
    EXPECT_EQ(walk.size(), key_count);
    for (size_t i = 1; i < walk.size(); ++i) {
      EXPECT_TRUE(tag.descending ? walk[i - 1].key >= walk[i].key : walk[i - 1].key <= walk[i].key)
          << i;
    }
    std::vector<uint32_t> recnos;
    for (const WalkEntry& e : walk) recnos.push_back(e.recno);

    ASSERT_TRUE(area_->set_order(tag.name).ok());
    EXPECT_EQ(area_walk(true), recnos);
    std::reverse(recnos.begin(), recnos.end());
    EXPECT_EQ(area_walk(false), recnos);

    const size_t stride = std::max<size_t>(1, walk.size() / 150);
    for (size_t i = 0; i < walk.size(); i += stride) {
      const Value value = key_value(tag, area_.get(), walk[i].key);
      check_seek(tag, walk, value, false);
      if (value.is_string() && value.as_string().size() > 1) {
        const std::string half = value.as_string().substr(0, value.as_string().size() / 2);
        check_seek(tag, walk, Value::string(half), false);
        const std::string next = tables::cdx::successor(half);
        if (!next.empty()) {
          check_seek(tag, walk, Value::string(next), true);
          check_seek(tag, walk, Value::string(next), false);
        }
      }
    }
    check_seek(tag, walk, Value::string(std::string(tag.key_length, '\xff')), true);
  }

  std::unique_ptr<WorkArea> area_;
};

TEST_P(WorkAreaCorpusTest, EveryTagWalksAndSeeksLikeItsCursor) {
  for (size_t t = 0; t < area_->index()->tags().size(); ++t) check_tag(t);
}

INSTANTIATE_TEST_SUITE_P(Corpus, WorkAreaCorpusTest, ::testing::ValuesIn(kIndexedTables),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = std::to_string(info.index);
                           for (const char* p = info.param; *p; ++p) {
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace kx::test
