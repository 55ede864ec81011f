#include "errors/error_page.h"

#include <gtest/gtest.h>

#include "errors/error_record.h"
#include "errors/errors_test_env.h"
#include "runtime/process/activation.h"
#include "runtime/process/exit.h"

namespace kx {
namespace {

class ErrorPageTest : public test::ErrorsTest {};

const std::string kHead =
    "\r\n<br>\r\n<br>\r\n<br>\r\n<br>\r\n<br>\r\n<br>\r\n<br>\r\n<br>\r\n<br>\r\n<br>"
    "\r\n************************* ERROR *************************<br>"
    "\r\n" +
    std::string(kPageAttribution) +
    "\r\n07/03/2026 14:05:09<br>"
    "\r\n<br>"
    "\r\nError message:<br>"
    "\r\n--------------<br>";

Value full_record() {
  auto e = std::make_shared<ERROR>();
  e->ARG = "   M_KURSMA";
  e->ARGNUM = 2;
  e->ARGTYPE = kTypeString;
  e->ARGTYPEREQ = kTypeLogic;
  e->CALLFUNCSYM = Symbol::intern("START");
  e->DESCRIPTION = "Cannot open the table";
  e->OSCODE = 32;
  e->SUBCODE = 1001;
  e->SUBCODETEXT = "open failed";
  e->SUBSYSTEM = "DBFCDX";
  e->GENCODE = 21;
  e->OPERATION = "Open";
  e->FILEHANDLE = 7;
  e->FILENAME = "D:\\POS\\KV3DB\\M_KURSMA.KV3";
  e->FUNCPTR = 0x80001000u;
  e->FUNCSYM = Symbol::intern("DBUSEAREA");
  e->MAXSIZE = 254;
  e->METHODSELF = std::make_shared<ERROR>();
  return Value::object(e);
}

const std::string kFullRecordLines =
    "\r\nArgument         : M_KURSMA<br>"
    "\r\nArgument Number  : 2<br>"
    "\r\nArgument Type    : string<br>"
    "\r\nArg Type Required: logic<br>"
    "\r\nCall Func Sym    : START<br>"
    "\r\nDescription      : Cannot open the table<br>"
    "\r\nDOS Error        : Sharing violation<br>"
    "\r\nSub Code         : 1001<br>"
    "\r\nSub Code Text    : open failed<br>"
    "\r\nSub System       : DBFCDX<br>"
    "\r\nGenerated Code   : Open error<br>"
    "\r\nOperation        : Open<br>"
    "\r\nFile Handle      : 7<br>"
    "\r\nFile Name        : D:\\POS\\KV3DB\\M_KURSMA.KV3<br>"
    "\r\nFunc PTR         : 0x80001000" +
    std::string(12, ' ') + "2147487744,00<br>" +
    "\r\nFunc Symbol      : DBUSEAREA<br>"
    "\r\nMaximum Size     : 254<br>"
    "\r\nMethod Self      : ERROR<br>";

void with_work_area() {
  set_current_area_query([] { return CurrentArea{true, "M_KURSMA", 12, 340}; });
}

TEST_F(ErrorPageTest, RecordWithEveryFieldInsideTheRateLookup) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        with_work_area();
        Activation start("START", kModuleMain);
        start.at(14);
        Activation lookup("GET_KURSEXFIND", kModuleFunctions);
        lookup.at(6);
        MYERRORHANDLER(full_record());
      },
      0, out);
  EXPECT_EQ(out, kHead + kFullRecordLines +
                     "\r\nAlias            : M_KURSMA   Recno: 12   LastRec: 340<br>"
                     "\r\nCall Stack:<br>"
                     "\r\n   - Functions                     : GET_KURSEXFIND (Line: 6)<br>"
                     "\r\n   - Main                          : START (Line: 14)<br>");
}

TEST_F(ErrorPageTest, NullRecordWithoutWorkAreaDropsTheFieldLines) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        Activation start("START", kModuleMain);
        MYERRORHANDLER(Value::object(nullptr));
      },
      0, out);
  EXPECT_EQ(out, kHead +
                     "\r\nAlias            :    Recno: 0   LastRec: 0<br>"
                     "\r\nCall Stack:<br>"
                     "\r\n   - Main                          : START (Line: 1)<br>");
}

TEST_F(ErrorPageTest, AreaWithoutTableShowsNoAlias) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        set_current_area_query([] { return CurrentArea{false, "STALE", 1, 0}; });
        MYERRORHANDLER(Value());
      },
      0, out);
  EXPECT_EQ(out, kHead + "\r\nAlias            :    Recno: 1   LastRec: 0<br>\r\nCall Stack:<br>");
}

TEST_F(ErrorPageTest, TwelveNestedCallsListLevelsTwoToTenOnly) {
  static const char* const kNames[] = {"F1", "F2", "F3", "F4",  "F5",  "F6",
                                       "F7", "F8", "F9", "F10", "F11", "F12"};
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        std::vector<std::unique_ptr<Activation>> calls;
        for (const char* name : kNames)
          calls.push_back(std::make_unique<Activation>(name, kModuleStart));
        MYERRORHANDLER(Value());
      },
      0, out);
  std::string stack;
  for (int level = 2; level <= 10; ++level) {
    stack += "\r\n   - Start                         : " + std::string(kNames[12 + 1 - level]) +
             " (Line: 1)<br>";
  }
  EXPECT_EQ(out.substr(out.find("Call Stack:<br>")), "Call Stack:<br>" + stack);
}

TEST_F(ErrorPageTest, ExtraTextLineAndModuleNamesCutToThirty) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        Activation call("VOSEEKFAILED", "A module name of thirty-five chars");
        call.at(3);
        MYERRORHANDLEREX(Value(), "Seek <failed>", 0);
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, kHead +
                     "\r\nError            : Seek &lt;failed&gt;<br>"
                     "\r\nAlias            :    Recno: 0   LastRec: 0<br>"
                     "\r\nCall Stack:<br>"
                     "\r\n   - Functions                     : MYERRORHANDLEREX (Line: 5)<br>"
                     "\r\n   - A module name of thirty-five c: VOSEEKFAILED (Line: 3)<br>");
}

TEST_F(ErrorPageTest, ValuesAreHtmlEscapedAndSecretsMasked) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        register_secret("pa<ss");
        set_current_area_query([] { return CurrentArea{true, "A&B", 1, 1}; });
        auto e = std::make_shared<ERROR>();
        e->DESCRIPTION = "<script>\"x\" & pa<ss</script>";
        e->FILENAME = "\\\\srv\\pa<ss";
        MYERRORHANDLER(Value::object(e));
      },
      0, out);
  EXPECT_NE(
      out.find(
          "\r\nDescription      : &lt;script&gt;&quot;x&quot; &amp; ********&lt;/script&gt;<br>"),
      std::string::npos);
  EXPECT_NE(out.find("\r\nFile Name        : \\\\srv\\********<br>"), std::string::npos);
  EXPECT_NE(out.find("\r\nAlias            : A&amp;B   Recno: 1"), std::string::npos);
  EXPECT_EQ(out.find("pa<ss"), std::string::npos);
  EXPECT_EQ(out.find("pa&lt;ss"), std::string::npos);
}

TEST(HtmlEscapeTest, EscapesTheFourMarkupCharactersOnly) {
  EXPECT_EQ(html_escape("a&b<c>d\"e'f\xE9"), "a&amp;b&lt;c&gt;d&quot;e'f\xE9");
}

}  // namespace
}  // namespace kx
