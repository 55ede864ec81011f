// Fill bytes of tags whose keys end in runs of the other type's fill: typed
// from the table's fields, and settled from the pages when no table is given.
#include "tables/expr/key_typer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "kv3dump/tag_verify.h"
#include "support/testing/corpus.h"
#include "tables/cdx/cdx_format.h"
#include "tables/cdx/key_encoding.h"
#include "tables/dbf/table_files.h"
#include "tables/expr/table_record.h"
#include "tables/open_file.h"
#include "tables/work_area_test_util.h"

namespace kx::tables::expr {
namespace {

using cdx::FillSource;
using kv3dump::verify_tag;
using kv3dump::VerifyReport;
using writer::CdxTagSpec;
using writer::Row;

struct Shape {
  std::string name;
  writer::DbfSpec table;
  CdxTagSpec tag;
  std::vector<Row> rows;
  FillSource untyped_source;  // how the pages alone settle the same fill
};

Shape integer_shape(std::string name, const std::vector<int>& values) {
  Shape s{name, {0x30, {{"ID", 'I'}}}, test::make_tag("ID", "id", 4, '\0'), {}, FillSource::kPages};
  for (int v : values) {
    s.rows.push_back(Row{{v}});
    s.tag.entries.push_back({cdx::encode_integer(v), static_cast<uint32_t>(s.rows.size())});
  }
  return s;
}

std::vector<Shape> shapes() {
  std::vector<int> zeros_first(15, 0);
  for (int v = 1; v <= 60; ++v) zeros_first.insert(zeros_first.end(), v % 3 == 0 ? 2 : 1, v);
  std::vector<int> runs;
  for (int i = 0; i < 400; ++i) runs.push_back(i / 7);

  Shape product{"numeric 1000*a+b",
                {0x30, {{"OLDMENUID", 'N', 3}, {"SORTORDER", 'N', 4}}},
                test::make_tag("MENU", "1000*oldmenuid+sortorder", 8, '\0'),
                {},
                FillSource::kPages};
  for (int a = 111; a <= 115; ++a) {
    for (int b = 1; b <= (a == 115 ? 2 : 100); ++b) {
      product.rows.push_back(Row{{a, b}});
      product.tag.entries.push_back(
          {cdx::encode_numeric(1000.0 * a + b), static_cast<uint32_t>(product.rows.size())});
    }
  }

  Shape text{"character ending in blanks",
             {0x30, {{"NAMA", 'C', 8}}},
             test::make_tag("NAMA", "nama", 8, ' '),
             {},
             FillSource::kGuess};
  for (const char* v : {"AB", "AB C", "ABC", "A", "B  X", "", "AB C  D", "Z"}) {
    text.rows.push_back(Row{{v}});
    text.tag.entries.push_back({writer::char_key(v, 8), static_cast<uint32_t>(text.rows.size())});
  }
  return {integer_shape("integer opening with 15 zeros", zeros_first),
          integer_shape("integer runs of equal values", runs), product, text};
}

// Walks every entry of the tag; the keys must come out in ascending order.
Status walk(cdx::IndexFile* index, size_t* count) {
  std::unique_ptr<cdx::TagCursor> cursor = index->cursor(0);
  std::string previous;
  *count = 0;
  for (cursor->seek_first(); cursor->valid(); cursor->next(), ++*count) {
    EXPECT_LE(previous, std::string(cursor->key())) << "entry " << *count;
    previous = std::string(cursor->key());
  }
  return cursor->status();
}

TEST(KeyTyperTest, KeysEndingInTheOtherFillWalkInOrderTypedOrFromThePages) {
  for (const Shape& shape : shapes()) {
    SCOPED_TRACE(shape.name);
    const std::string folder = test::fresh_folder();
    ASSERT_TRUE(writer::write_dbf(folder + "/T.DBF", shape.table, shape.rows));
    ASSERT_TRUE(writer::write_cdx(folder + "/T.CDX", {shape.tag}));
    Status s;
    std::unique_ptr<dbf::Table> table = dbf::open_table(folder + "/T.DBF", {}, &s);
    ASSERT_TRUE(table) << s.description();
    for (const bool typed : {true, false}) {
      std::unique_ptr<cdx::IndexFile> index =
          cdx::IndexFile::open(open_file(folder + "/T.CDX", {}, tables::NameMatch::kAnyCase, &s),
                               &s, typed ? key_typer(fields_of(*table)) : cdx::KeyTyper());
      ASSERT_TRUE(index) << s.description();
      const cdx::TagInfo& tag = index->tags()[0];
      EXPECT_EQ(tag.fill, shape.tag.fill) << "typed " << typed << ": " << tag.fill_note;
      EXPECT_EQ(tag.fill_source, typed ? FillSource::kKeyType : shape.untyped_source);
      size_t count = 0;
      EXPECT_TRUE(walk(index.get(), &count).ok()) << "typed " << typed;
      EXPECT_EQ(count, shape.rows.size());
    }
    std::unique_ptr<cdx::IndexFile> index =
        cdx::IndexFile::open(open_file(folder + "/T.CDX", {}, tables::NameMatch::kAnyCase, &s), &s);
    const VerifyReport report = verify_tag(*table, *index, 0);
    EXPECT_TRUE(report.evaluable) << report.reason;
    EXPECT_FALSE(report.has_findings()) << report.status.description();
  }
}

TEST(KeyTyperTest, ExpressionsThatCannotBeTypedOrDoNotFitTheKeyLengthAreLeftToThePages) {
  const std::vector<FieldInfo> fields{{"ID", 'N'}, {"NAMA", 'C'}};
  const cdx::KeyTyper typer = key_typer(fields);
  struct Case {
    const char* expression;
    uint16_t key_length;
    std::optional<char> fill;
  } cases[] = {
      {"ID", 8, '\0'},        {"nama", 8, ' '},      {"STR(id,8)", 8, ' '},
      {"VAL(nama)", 8, '\0'}, {"NOSUCH(id)", 8, {}}, {"longfieldname", 8, {}},
      {"ID", 4, {}},  // a number in a key of 4 bytes is no integer field
  };
  for (const Case& c : cases) {
    cdx::TagInfo tag;
    tag.key_expression = c.expression;
    tag.key_length = c.key_length;
    tag.signature = cdx::kSignatureMachine;
    EXPECT_EQ(typer(tag), c.fill) << c.expression;
  }
}

// The pages alone must agree with the key's type on every tag of the real
// indexes, or say that they guessed.
TEST(KeyTyperTest, PagesAloneAgreeWithTheKeyTypeOnEveryCorpusTag) {
  KX_SKIP_WITHOUT_CORPUS();
  size_t typed_tags = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(test::corpus_dir())) {
    const std::string path = entry.path().string();
    const std::string extension = entry.path().extension().string();
    if (extension != ".dbf" && extension != ".DBF") continue;
    const std::string cdx_path = dbf::sibling_file(path, "cdx");
    Status s;
    std::unique_ptr<dbf::Table> table = dbf::open_table(path, {}, &s);
    if (cdx_path.empty() || !table) continue;
    std::unique_ptr<cdx::IndexFile> typed = cdx::IndexFile::open(
        open_file(cdx_path, {}, tables::NameMatch::kAnyCase, &s), &s, key_typer(fields_of(*table)));
    std::unique_ptr<cdx::IndexFile> untyped =
        cdx::IndexFile::open(open_file(cdx_path, {}, tables::NameMatch::kAnyCase, &s), &s);
    ASSERT_TRUE(typed && untyped) << path << ": " << s.description();
    for (size_t t = 0; t < typed->tags().size(); ++t) {
      const cdx::TagInfo& tag = typed->tags()[t];
      if (tag.fill_source != FillSource::kKeyType) continue;
      ++typed_tags;
      const cdx::TagInfo& guessed = untyped->tags()[t];
      EXPECT_TRUE(guessed.fill == tag.fill || guessed.fill_source == FillSource::kGuess)
          << path << " tag " << tag.name << " (" << tag.key_expression << ")";
    }
  }
  EXPECT_GE(typed_tags, 20u);
}

}  // namespace
}  // namespace kx::tables::expr
