#include "tables/expr/functions.h"

#include <gtest/gtest.h>

#include "tables/expr/expr_test_util.h"
#include "tables/expr/number_text.h"

namespace kx::tables::expr {
namespace {

TEST(ExprStrTest, DefaultWidthIsTenRightAligned) {
  EXPECT_EQ(text_of("STR(id)"), "        42");
  EXPECT_EQ(text_of("STR(-7)"), "        -7");
  EXPECT_EQ(text_of("STR(0)"), "         0");
}

TEST(ExprStrTest, RoundsHalfAwayFromZeroOnTheExactDecimal) {
  EXPECT_EQ(text_of("STR(qty)"), "        13");  // 12.5
  EXPECT_EQ(text_of("STR(-qty)"), "       -13");
  EXPECT_EQ(text_of("STR(price,6,2)"), " -2.68");  // -2.675 exactly, not the double below it
  EXPECT_EQ(text_of("STR(2.675,5,2)"), " 2.68");
  EXPECT_EQ(text_of("STR(1.005,4,2)"), "1.01");
  EXPECT_EQ(text_of("STR(0.4)"), "         0");
  EXPECT_EQ(text_of("STR(-0.4,3)"), "  0");
  EXPECT_EQ(text_of("STR(1/3,8,4)"), "  0.3333");
}

TEST(ExprStrTest, WidthAndDecimalsFromTheArguments) {
  EXPECT_EQ(text_of("STR(qty,5,0)"), "   13");
  EXPECT_EQ(text_of("STR(qty,6,2)"), " 12.50");
  EXPECT_EQ(text_of("STR(id,2)"), "42");
  EXPECT_EQ(text_of("STR(id,4.9)"), "  42");
}

TEST(ExprStrTest, TooWideGivesAsterisks) {
  EXPECT_EQ(text_of("STR(id,1)"), "*");
  EXPECT_EQ(text_of("STR(-42,2)"), "**");
  EXPECT_EQ(text_of("STR(qty,4,2)"), "****");
  EXPECT_EQ(text_of("STR(123456789012)"), "**********");
}

TEST(ExprStrTest, BadWidthIsAProblem) {
  EXPECT_EQ(text_of("STR(id,0)").rfind("<problem: STR width 0", 0), 0u);
  EXPECT_EQ(text_of("STR(id,300)").rfind("<problem: STR width 300", 0), 0u);
  EXPECT_EQ(text_of("STR(id,5,-1)").rfind("<problem:", 0), 0u);
}

TEST(ExprValTest, ReadsTheLeadingNumber) {
  EXPECT_EQ(number_of("VAL('  12.50abc')"), 12.5);
  EXPECT_EQ(number_of("VAL('-3')"), -3);
  EXPECT_EQ(number_of("VAL('+4.')"), 4);
  EXPECT_EQ(number_of("VAL('.5')"), 0.5);
  EXPECT_EQ(number_of("VAL('abc')"), 0);
  EXPECT_EQ(number_of("VAL('')"), 0);
  EXPECT_EQ(number_of("VAL('1 2')"), 1);
  EXPECT_EQ(val_of("-0.50").decimal, "-0.50");
  EXPECT_EQ(val_of("-0").decimal, "0");
  // The exact text survives to STR's rounding.
  EXPECT_EQ(text_of("STR(VAL('2.675'),4,2)"), "2.68");
}

TEST(ExprPadTest, PadsWithBlanksOrTheGivenCharacterAndCutsFromTheRight) {
  EXPECT_EQ(text_of("PADR(name,8)"), "Abc     ");
  EXPECT_EQ(text_of("PADL(ALLTRIM(name),6,'0')"), "000Abc");
  EXPECT_EQ(text_of("PADR(ALLTRIM(name),5,'xy')"), "Abcxx");
  EXPECT_EQ(text_of("PADL(name,2)"), "Ab");
  EXPECT_EQ(text_of("PADR(name,2)"), "Ab");
  EXPECT_EQ(text_of("PADR(name,0)"), "");
  EXPECT_EQ(text_of("PADR(name,-1)").rfind("<problem: width -1", 0), 0u);
  EXPECT_EQ(text_of("PADL(name,5,'')"), "<problem: empty pad character>");
  EXPECT_NE(compile_problem("PADL(id,5,'0')"), "");  // numbers are not converted
}

TEST(ExprTrimTest, TrimsBlanksOnly) {
  EXPECT_EQ(text_of("'['+ALLTRIM('  a b  ')+']'"), "[a b]");
  EXPECT_EQ(text_of("'['+LTRIM('  a  ')+']'"), "[a  ]");
  EXPECT_EQ(text_of("'['+RTRIM('  a  ')+']'"), "[  a]");
  EXPECT_EQ(text_of("'['+TRIM('  a  ')+']'"), "[  a]");
  EXPECT_EQ(text_of("ALLTRIM(blank)"), "");
  EXPECT_EQ(text_of("'['+ALLTRIM(' \ta\t ')+']'"), "[\ta\t]");
}

TEST(ExprCaseTest, AsciiLettersChangeCase) {
  EXPECT_EQ(text_of("UPPER('ab1_z{')"), "AB1_Z{");
  EXPECT_EQ(text_of("LOWER(name)"), "abc  ");
}

TEST(ExprCaseTest, BytesAbove127AreAProblem) {
  EXPECT_EQ(text_of("UPPER('caf\xe9')").rfind("<problem: UPPER of a character above 127", 0), 0u);
  EXPECT_EQ(text_of("LOWER('\xc9')").rfind("<problem: LOWER", 0), 0u);
}

TEST(ExprSubstringTest, SubstrLeftRight) {
  EXPECT_EQ(text_of("SUBSTR('abcdef',2,3)"), "bcd");
  EXPECT_EQ(text_of("SUBSTR('abcdef',4)"), "def");
  EXPECT_EQ(text_of("SUBSTR('abcdef',5,10)"), "ef");
  EXPECT_EQ(text_of("SUBSTR('abcdef',7)"), "");
  EXPECT_EQ(text_of("SUBSTR('abcdef',0)").rfind("<problem: SUBSTR start 0", 0), 0u);
  EXPECT_EQ(text_of("LEFT('abcdef',2)"), "ab");
  EXPECT_EQ(text_of("LEFT('ab',5)"), "ab");
  EXPECT_EQ(text_of("LEFT('ab',-1)"), "");
  EXPECT_EQ(text_of("RIGHT('abcdef',2)"), "ef");
  EXPECT_EQ(text_of("RIGHT('ab',9)"), "ab");
  EXPECT_EQ(text_of("RIGHT('ab',0)"), "");
}

TEST(ExprDateTest, DtosYearMonthDayOfDatesAndDatetimes) {
  EXPECT_EQ(text_of("DTOS(day)"), "20240229");
  EXPECT_EQ(text_of("DTOS(stamp)"), "20240229");
  EXPECT_EQ(number_of("YEAR(day)"), 2024);
  EXPECT_EQ(number_of("MONTH(day)"), 2);
  EXPECT_EQ(number_of("DAY(stamp)"), 29);
  FakeRecord r;
  r.values[3] = Datum::date_of(Date());
  Datum d;
  ASSERT_TRUE(run("DTOS(day)", &d, &r).ok());
  EXPECT_EQ(d.text, "        ");
  ASSERT_TRUE(run("YEAR(day)", &d, &r).ok());
  EXPECT_EQ(d.number, 0);
}

TEST(ExprEmptyTest, EmptyByType) {
  EXPECT_EQ(logic_of("EMPTY(blank)"), "T");
  EXPECT_EQ(logic_of("EMPTY(name)"), "F");
  EXPECT_EQ(logic_of("EMPTY('')"), "T");
  EXPECT_EQ(logic_of("EMPTY(' \t\r\n')"), "T");
  EXPECT_EQ(logic_of("EMPTY(qty-12.5)"), "T");
  EXPECT_EQ(logic_of("EMPTY(qty)"), "F");
  EXPECT_EQ(logic_of("EMPTY(day)"), "F");
  EXPECT_EQ(logic_of("EMPTY(.F.)"), "T");
  EXPECT_EQ(logic_of("EMPTY(flag)"), "F");
  FakeRecord r;
  r.values[3] = Datum::date_of(Date());
  r.values[4] = Datum::datetime(0, 0);
  EXPECT_EQ(logic_of("EMPTY(day).AND.EMPTY(stamp)", &r), "T");
}

TEST(ExprIifTest, EvaluatesOnlyTheChosenBranch) {
  EXPECT_EQ(text_of("IIF(flag,name,'no')"), "Abc  ");
  EXPECT_EQ(number_of("IIF(.F.,qty/0,1)"), 1);
  FakeRecord r;
  Datum d;
  ASSERT_TRUE(run("IIF(.T.,qty,id)", &d, &r).ok());
  EXPECT_EQ(r.reads, 1u);
}

TEST(ExprFieldgetTest, ReadsTheFieldAtAConstantPosition) {
  EXPECT_EQ(text_of("FIELDGET(1)"), "Abc  ");
  EXPECT_EQ(number_of("FIELDGET(2)*2"), 25);
  EXPECT_EQ(text_of("fieldget(7)"), "<NULL>");
}

TEST(ExprFunctionTableTest, NamesIgnoreCaseAndAreNotAbbreviated) {
  ASSERT_NE(find_function("alltrim"), nullptr);
  EXPECT_EQ(find_function("AllTrim")->id, Function::kAlltrim);
  EXPECT_EQ(find_function("ALLT"), nullptr);
  EXPECT_EQ(find_function("CTOD"), nullptr);
}

}  // namespace
}  // namespace kx::tables::expr
