#include "tables/expr/expression.h"

#include <gtest/gtest.h>

#include "tables/expr/expr_test_util.h"
#include "tables/expr/parser.h"

namespace kx::tables::expr {
namespace {

TEST(ExprSyntaxTest, CorpusExpressionsCompile) {
  // The key and FOR expressions of the corpus tags that name fields of the
  // fake record's kinds, rewritten onto its field names.
  for (const char* text :
       {"STR(id)+STR(qty)", "name+STR(qty,5,0)", "DTOS(day)+name", "PADR(name,50)",
        ".NOT.EMPTY(name)", "name=>\"0\"", ".NOT.DELETED().AND..T..AND..NOT..F.", "id*10000+qty",
        "UPPER(name)", "STR(id)+name+LOWER(name)", "!DELETED()", "iif(flag, name, 'x')"}) {
    EXPECT_EQ(compile_problem(text), "") << text;
  }
}

TEST(ExprSyntaxTest, ConstructsOutsideTheLanguageDoNotCompile) {
  for (const char* text : {"orders->name",
                           "&macro",
                           "name[1]",
                           "name $ 'abc'",
                           "2^3",
                           "qty%2",
                           "{^2024-01-01}",
                           "[bracket string]",
                           "name.AND.",
                           "STR(qty",
                           "qty)",
                           "'open",
                           ".X.",
                           "1e5",
                           "name name",
                           "",
                           "SUBS(name,1,2)",
                           "TRANSFORM(qty)",
                           "CTOD('01/01/24')",
                           "m.name",
                           "5.."}) {
    EXPECT_NE(compile_problem(text), "") << text;
  }
}

TEST(ExprSyntaxTest, ProblemsNamePositionsAndNames) {
  EXPECT_EQ(compile_problem("qty + # 2"), "operand expected at position 7");
  EXPECT_EQ(compile_problem("shippeddate"), "unknown name shippeddate (no field of the table)");
  EXPECT_EQ(compile_problem("ALLT(name)"), "unsupported function ALLT()");
  EXPECT_EQ(compile_problem("pic"), "field PIC of type G cannot be used in an expression");
  EXPECT_EQ(compile_problem("STR()"), "STR() with 0 arguments");
  EXPECT_EQ(compile_problem("LEFT(name)"), "LEFT() with 1 arguments");
}

TEST(ExprSyntaxTest, ErrorCodeTellsAWrongTypeFromAWrongExpression) {
  const struct {
    const char* text;
    uint32_t gencode;
  } cases[] = {
      {"'open", kGenArgument},       {"qty + # 2", kGenArgument},
      {"shippeddate", kGenArgument}, {"STR()", kGenArgument},
      {"FIELDGET(0)", kGenArgument}, {"pic", kGenDataType},
      {"name+qty", kGenDataType},    {"-name", kGenDataType},
      {"UPPER(qty)", kGenDataType},  {"IIF(flag,1,'a')", kGenDataType},
  };
  for (const auto& c : cases) {
    const Status s = compile_status(c.text);
    EXPECT_EQ(s.gencode(), c.gencode) << c.text;
    EXPECT_EQ(s.subcode(), kSubArgument) << c.text;
  }
}

TEST(ExprSyntaxTest, DeepNestingIsRefusedNotOverflowed) {
  const std::string deep = std::string(5000, '(') + "1" + std::string(5000, ')');
  EXPECT_EQ(compile_problem(deep).rfind("expression nested too deeply", 0), 0u);
  EXPECT_NE(compile_problem(std::string(5000, '-') + "1"), "");
  EXPECT_NE(compile_problem(std::string(5000, '!') + ".T."), "");
  EXPECT_EQ(compile_problem(std::string(20, '(') + "1" + std::string(20, ')')), "");
}

TEST(ExprTypeTest, MismatchedTypesDoNotCompile) {
  for (const char* text :
       {"name+qty", "qty+name", "day+1", "name-name", "-name", ".NOT.qty", "flag<flag", "name=qty",
        "qty.AND.flag", "STR(name)", "DTOS(name)", "UPPER(qty)", "IIF(qty,1,2)", "IIF(flag,1,'a')",
        "YEAR(name)", "FIELDGET(qty)", "FIELDGET(0)", "FIELDGET(99)", "FIELDGET(1.5)"}) {
    EXPECT_NE(compile_problem(text), "") << text;
  }
}

TEST(ExprTypeTest, OnlyABareIntegerFieldIsAnIntegerKey) {
  FakeRecord r;
  Status status;
  EXPECT_TRUE(Expression::compile("id", r.fields, &status)->is_integer_field());
  EXPECT_TRUE(Expression::compile("(ID)", r.fields, &status)->is_integer_field());
  EXPECT_FALSE(Expression::compile("id+0", r.fields, &status)->is_integer_field());
  EXPECT_FALSE(Expression::compile("qty", r.fields, &status)->is_integer_field());
  EXPECT_FALSE(Expression::compile("FIELDGET(3)", r.fields, &status)->is_integer_field());
  EXPECT_EQ(Expression::compile("FIELDGET(3)", r.fields, &status)->type(), Type::kNumber);
}

TEST(ExprOperatorTest, ArithmeticAndPrecedence) {
  EXPECT_EQ(number_of("id*10000+qty"), 420012.5);
  EXPECT_EQ(number_of("2+3*4"), 14);
  EXPECT_EQ(number_of("(2+3)*4"), 20);
  EXPECT_EQ(number_of("10-4-3"), 3);
  EXPECT_EQ(number_of("12/4/3"), 1);
  EXPECT_EQ(number_of("-qty*2"), -25);
  EXPECT_EQ(number_of("--3"), 3);
  EXPECT_EQ(number_of("+.5"), 0.5);
  EXPECT_EQ(number_of("1/4"), 0.25);
}

TEST(ExprOperatorTest, DivisionByZeroAndOverflowAreProblemsNotInfinity) {
  const std::string huge = "1" + std::string(300, '0');
  const struct {
    std::string text;
    uint32_t gencode;
    const char* description;
  } cases[] = {
      {"qty/(id-42)", kGenZeroDiv, "division by zero"},
      {huge + "*" + huge, kGenNumOverflow, "numeric overflow"},
  };
  for (const auto& c : cases) {
    Datum d;
    const Status s = run(c.text, &d);
    EXPECT_EQ(s.gencode(), c.gencode) << c.text;
    EXPECT_EQ(s.description(), c.description) << c.text;
  }
}

TEST(ExprOperatorTest, ConcatenationKeepsBlanks) {
  EXPECT_EQ(text_of("name+'|'+blank+\"!\""), "Abc  |   !");
  EXPECT_EQ(text_of("\"it's\"+'say \"hi\"'"), "it'ssay \"hi\"");
}

TEST(ExprOperatorTest, StringEqualityIsPrefixUnlessExact) {
  EXPECT_EQ(logic_of("name='Abc'"), "T");
  EXPECT_EQ(logic_of("name='Ab'"), "T");
  EXPECT_EQ(logic_of("name=''"), "T");
  EXPECT_EQ(logic_of("'Ab'=name"), "F");
  EXPECT_EQ(logic_of("name='abc'"), "F");
  EXPECT_EQ(logic_of("name=='Abc'"), "F");
  EXPECT_EQ(logic_of("name=='Abc  '"), "T");
  EXPECT_EQ(logic_of("name<>'Ab'"), "F");
  EXPECT_EQ(logic_of("name#'Ax'"), "T");
  EXPECT_EQ(logic_of("name!='Abc'"), "F");
}

TEST(ExprOperatorTest, StringOrderComparesBytesOverTheRightOperand) {
  EXPECT_EQ(logic_of("name>='Ab'"), "T");
  EXPECT_EQ(logic_of("name=>'0'"), "T");
  EXPECT_EQ(logic_of("name>'Ab'"), "F");
  EXPECT_EQ(logic_of("name<'B'"), "T");
  EXPECT_EQ(logic_of("name<'Abc'"), "F");
  EXPECT_EQ(logic_of("name<'Abc  x'"), "T");
  EXPECT_EQ(logic_of("name<'Abcd'"), "T");
  EXPECT_EQ(logic_of("'Ab'<'Abc'"), "T");
  EXPECT_EQ(logic_of("'a'>'B'"), "T");
}

TEST(ExprOperatorTest, NumberDateAndLogicalComparisons) {
  EXPECT_EQ(logic_of("qty>12"), "T");
  EXPECT_EQ(logic_of("qty<=12.5"), "T");
  EXPECT_EQ(logic_of("-qty>=-12"), "F");
  EXPECT_EQ(logic_of("qty#12.5"), "F");
  EXPECT_EQ(logic_of("day=day"), "T");
  EXPECT_EQ(logic_of("stamp>stamp"), "F");
  EXPECT_EQ(logic_of("flag=.T."), "T");
  EXPECT_EQ(logic_of("flag<>.t."), "F");
}

TEST(ExprOperatorTest, LogicalOperatorsAndTheirPrecedence) {
  EXPECT_EQ(logic_of(".T..OR..F..AND..F."), "T");
  EXPECT_EQ(logic_of("(.T..OR..F.).AND..F."), "F");
  EXPECT_EQ(logic_of(".NOT..T..OR..T."), "T");
  EXPECT_EQ(logic_of(".NOT.qty>20"), "T");
  EXPECT_EQ(logic_of("!flag"), "F");
  EXPECT_EQ(logic_of("!!flag.and.flag"), "T");
  EXPECT_EQ(logic_of("qty>1.and.qty<20"), "T");
}

TEST(ExprOperatorTest, AndOrStopOnceTheResultIsKnown) {
  EXPECT_EQ(logic_of(".F..AND.qty/0>1"), "F");
  EXPECT_EQ(logic_of(".T..OR.qty/0>1"), "T");
  EXPECT_EQ(logic_of(".T..AND.qty/0>1"), "<problem: division by zero>");
}

TEST(ExprOperatorTest, DeletedReadsTheRecordFlag) {
  FakeRecord r;
  EXPECT_EQ(logic_of(".NOT.DELETED()", &r), "T");
  r.deleted_flag = true;
  EXPECT_EQ(logic_of(".NOT.DELETED()", &r), "F");
  EXPECT_EQ(logic_of("deleted()", &r), "T");
}

TEST(ExprNullTest, NullPassesThroughArithmeticAndFunctions) {
  EXPECT_EQ(text_of("nothing"), "<NULL>");
  EXPECT_EQ(text_of("name+nothing"), "<NULL>");
  EXPECT_EQ(text_of("STR(numnull)"), "<NULL>");
  EXPECT_EQ(text_of("UPPER(nothing)+'x'"), "<NULL>");
  EXPECT_EQ(text_of("PADR(name,numnull)"), "<NULL>");
  Datum d;
  ASSERT_TRUE(run("numnull*2", &d).ok());
  EXPECT_TRUE(d.null);
  EXPECT_EQ(d.type, Type::kNumber);
}

TEST(ExprNullTest, NullInAConditionIsAProblem) {
  EXPECT_EQ(logic_of("nothing='a'"), "<problem: NULL value in a comparison>");
  EXPECT_EQ(logic_of("EMPTY(nothing)"), "<problem: EMPTY() of a NULL value>");
  EXPECT_EQ(logic_of("IIF(numnull>1,.T.,.F.)"), "<problem: NULL value in a comparison>");
}

}  // namespace
}  // namespace kx::tables::expr
