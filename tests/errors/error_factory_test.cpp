#include "errors/error_factory.h"

#include <gtest/gtest.h>

#include <cstring>

#include "errors/errors_test_env.h"
#include "runtime/values/references.h"

namespace kx {
namespace {

class DefErrorGenTest : public test::ErrorsTest {};

std::shared_ptr<ERROR> gen(const uint8_t* structure) {
  const Value v = DefErrorGen(Value::pointer(reinterpret_cast<uintptr_t>(structure)));
  return std::dynamic_pointer_cast<ERROR>(v.as_object());
}

RuntimeError every_field() {
  RuntimeError d;
  d.subsystem = "DBFCDX";
  d.subcode = 1001;
  d.gencode = 21;
  d.oscode = 32;
  d.severity = 2;
  d.can_default = true;
  d.can_retry = true;
  d.can_substitute = true;
  d.operation = "Open";
  d.description = "Cannot open the table";
  d.filename = "D:\\POS\\KV3DB\\M_KURSMA.KV3";
  d.tries = 3;
  d.funcsym = Symbol::intern("DBUSEAREA");
  d.filehandle = 7;
  d.argnum = 2;
  d.funcptr = 0x80401000u;
  d.subcodetext = "open failed";
  d.arg = "M_KURSMA";
  d.argtype = 7;
  d.argtypereq = 8;
  d.maxsize = 254;
  d.substitutetype = 18;
  d.choice = 9;
  d.callfuncsym = Symbol::intern("STARTPRE2");
  return d;
}

TEST_F(DefErrorGenTest, CopiesEveryFieldOfTheStructure) {
  const ErrorStructure laid_out(every_field());
  const Value v = DefErrorGen(Value::pointer(laid_out.address()));
  const ERROR* e = as_error(v);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->SUBSYSTEM, "DBFCDX");
  EXPECT_EQ(e->SUBCODE, 1001u);
  EXPECT_EQ(e->GENCODE, 21u);
  EXPECT_EQ(e->OSCODE, 32u);
  EXPECT_EQ(e->SEVERITY, 2u);
  EXPECT_TRUE(e->CANDEFAULT && e->CANRETRY && e->CANSUBSTITUTE);
  EXPECT_EQ(e->OPERATION, "Open");
  EXPECT_EQ(e->DESCRIPTION, "Cannot open the table");
  EXPECT_EQ(e->FILENAME, "D:\\POS\\KV3DB\\M_KURSMA.KV3");
  EXPECT_EQ(e->TRIES, 3u);
  EXPECT_EQ(e->FUNCSYM, Symbol::intern("DBUSEAREA"));
  EXPECT_EQ(e->FILEHANDLE, 7u);
  EXPECT_EQ(e->ARGNUM, 2u);
  EXPECT_EQ(e->FUNCPTR, 0x80401000u);
  EXPECT_EQ(e->SUBCODETEXT, "open failed");
  EXPECT_EQ(e->ARG, "M_KURSMA");
  EXPECT_EQ(e->ARGTYPE, 7u);
  EXPECT_EQ(e->ARGTYPEREQ, 8u);
  EXPECT_EQ(e->MAXSIZE, 254u);
  EXPECT_EQ(e->SUBSTITUTETYPE, 18u);
  EXPECT_EQ(e->CHOICE, 9u);
  EXPECT_EQ(e->CALLFUNCSYM, Symbol::intern("STARTPRE2"));
  EXPECT_EQ(e->STACK, "*EmptyCallStack*\r\n");
  EXPECT_TRUE(e->ARGS.empty());
  EXPECT_EQ(static_error_structure(), laid_out.bytes());
}

TEST_F(DefErrorGenTest, NullArgumentBlockGivesAnEmptyArray) {
  ErrorStructureBytes raw{};
  store_le32(raw.data() + kEsGencode, 23);
  const auto e = gen(raw.data());
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->GENCODE, 23u);
  EXPECT_TRUE(e->ARGS.empty());
  EXPECT_TRUE(e->FUNCSYM.null());
  EXPECT_EQ(e->SUBSYSTEM, "");
}

// A block made by hand: the larger of the two counts says how many follow.
TEST_F(DefErrorGenTest, ArgumentBlockYieldsTheLargerCountOfTaggedValues) {
  Value text = Value::string("M_MAUANG");
  uint8_t block[4 + 3 * 8] = {1, 0, 3, 0};
  store_le32(block + 4, kTypeLong);
  store_le32(block + 8, static_cast<uint32_t>(-5));
  store_le32(block + 12, kTypeString);
  const uint32_t text_ref = make_reference(&text, sizeof text, RefKind::kValue);
  store_le32(block + 16, text_ref);
  store_le32(block + 20, kTypeLogic);
  store_le32(block + 24, 1);
  const uint32_t block_ref = make_reference(block, sizeof block, RefKind::kArgumentBlock);
  ErrorStructureBytes raw{};
  store_le32(raw.data() + kEsArgs, block_ref);
  const auto e = gen(raw.data());
  release_reference(block_ref);
  release_reference(text_ref);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->ARGS.size(), 3u);
  EXPECT_EQ(e->ARGS[0].as_integer(), -5);
  EXPECT_EQ(e->ARGS[1].as_string(), "M_MAUANG");
  EXPECT_TRUE(e->ARGS[2].as_logic());
}

TEST_F(DefErrorGenTest, BlockShorterThanItsCountsYieldsWhatFits) {
  uint8_t block[4 + 8 + 3] = {200, 0, 0, 0};
  store_le32(block + 4, kTypeLong);
  store_le32(block + 8, 77);
  const uint32_t ref = make_reference(block, sizeof block, RefKind::kArgumentBlock);
  ErrorStructureBytes raw{};
  store_le32(raw.data() + kEsArgs, ref);
  const auto e = gen(raw.data());
  release_reference(ref);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->ARGS.size(), 1u);
  EXPECT_EQ(e->ARGS[0].as_integer(), 77);
}

TEST_F(DefErrorGenTest, ArgumentsOfEveryKindSurviveTheLayout) {
  RuntimeError d;
  d.args = {Value(),
            Value::integer(-1),
            Value::floating(1.5, "1.50"),
            Value::logic(false),
            Value::date(Date::from_ymd(2026, 3, 7)),
            Value::string("KV3"),
            Value::symbol(Symbol::intern("ID"))};
  const auto e = test::record_from(d);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->ARGS.size(), d.args.size());
  EXPECT_TRUE(e->ARGS[0].is_nil());
  EXPECT_EQ(e->ARGS[1].as_integer(), -1);
  EXPECT_EQ(e->ARGS[2].as_float().decimal, "1.50");
  EXPECT_FALSE(e->ARGS[3].as_logic());
  EXPECT_EQ(e->ARGS[4].as_date(), Date::from_ymd(2026, 3, 7));
  EXPECT_EQ(e->ARGS[5].as_string(), "KV3");
  EXPECT_EQ(e->ARGS[6].as_symbol(), Symbol::intern("ID"));
}

TEST_F(DefErrorGenTest, ChoiceAlreadySetOnTheNewRecordIsKept) {
  set_error_record_maker([] {
    auto r = std::make_shared<ERROR>();
    r->CHOICE = 4;
    return r;
  });
  RuntimeError d;
  d.choice = 9;
  EXPECT_EQ(test::record_from(d)->CHOICE, 4u);
  set_error_record_maker(nullptr);
  EXPECT_EQ(test::record_from(d)->CHOICE, 9u);
}

TEST_F(DefErrorGenTest, ValueThatIsNotAPointerGivesTheUnfilledRecordAndAMessage) {
  const Value v = DefErrorGen(Value::integer(1234));
  const ERROR* e = as_error(v);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->GENCODE, 0u);
  EXPECT_EQ(e->STACK, "*EmptyCallStack*\r\n");
  EXPECT_FALSE(e->SUBSYSTEM.empty());
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first, "Error structure has wrong tag");
  EXPECT_EQ(boxes_[0].second, "FROM DefErrorGen");
}

TEST_F(DefErrorGenTest, NoRecordGivesTheNullRecordAndAMessage) {
  set_error_record_maker([] { return std::shared_ptr<ERROR>(); });
  const ErrorStructure laid_out(RuntimeError{});
  const Value v = DefErrorGen(Value::pointer(laid_out.address()));
  EXPECT_EQ(v.kind(), Kind::kObject);
  EXPECT_EQ(v.as_object(), nullptr);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first, "No error object created !");
  EXPECT_EQ(boxes_[0].second, "FROM DefErrorGen");
}

// The static copy outlives the strings it refers to; its stale references
// must read as nothing, never as freed memory.
TEST_F(DefErrorGenTest, StaleReferencesInTheStaticStructureReadAsEmpty) {
  {
    RuntimeError d;
    d.description = "gone soon";
    d.args = {Value::string("x")};
    test::record_from(d);
  }
  const auto e = gen(static_error_structure().data());
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->DESCRIPTION, "");
  EXPECT_TRUE(e->ARGS.empty());
}

TEST_F(DefErrorGenTest, SecretsNeverReachTheRecord) {
  register_secret("s3cret");
  ErrorStructureBytes raw{};
  const std::string text = "net use \\\\srv\\pos s3cret";
  const uint32_t ref = make_reference(text.c_str(), text.size() + 1, RefKind::kText);
  store_le32(raw.data() + kEsDescription, ref);
  const auto e = gen(raw.data());
  release_reference(ref);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->DESCRIPTION, "net use \\\\srv\\pos ********");
}

}  // namespace
}  // namespace kx
