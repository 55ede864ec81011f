#include "errors/error_message.h"

#include <gtest/gtest.h>

#include "runtime/process/secrets.h"

namespace kx {
namespace {

TEST(ErrorMessageTest, FirstLineNamesTheSeverityAndTheDescriptionWithoutGenericCode) {
  ERROR e;
  e.SEVERITY = 2;
  e.DESCRIPTION = "Disk full";
  EXPECT_EQ(ERRORMESSAGE(e).substr(0, 23), "Error Code:  Disk full\r");
  e.SEVERITY = 1;
  EXPECT_EQ(ERRORMESSAGE(e), "WARNING :  Disk full\r\nDescription: Disk full\r\n");
}

TEST(ErrorMessageTest, GenericCodeIsShownWithItsTextInCapitals) {
  ERROR e;
  e.SEVERITY = 3;
  e.GENCODE = 21;
  EXPECT_EQ(ERRORMESSAGE(e), "Error Code:  21 [ OPEN ERROR ]\r\n");
}

TEST(ErrorMessageTest, EveryLineInOrderWithTheFileNameCutToForty) {
  ERROR e;
  e.SEVERITY = 2;
  e.GENCODE = 21;
  e.SUBSYSTEM = "DBFCDX";
  e.SUBCODE = 1001;
  e.SUBCODETEXT = "open failed";
  e.OPERATION = "Open";
  e.FUNCSYM = Symbol::intern("DBUSEAREA");
  e.FILENAME = "D:\\POINT-OF-SALE\\DATA\\KV3DB\\M_KURSMA_ARCHIVE01.KV3";  // 50 characters
  e.ARG = "M_KURSMA";
  e.ARGTYPE = kTypeString;
  e.ARGNUM = 3;
  e.ARGTYPEREQ = kTypeLogic;
  e.DESCRIPTION = "Cannot open";
  ASSERT_EQ(e.FILENAME.size(), 50u);
  EXPECT_EQ(ERRORMESSAGE(e),
            "Error Code:  21 [ OPEN ERROR ]\r\n"
            "Subsystem: DBFCDX\r\n"
            "Error Subcode: 1001 (open failed)\r\n"
            "Operation: Open\r\n"
            "Function: DBUSEAREA\r\n"
            "Filename: D:\\POINT-OF-SALE\\DATA\\KV3DB\\M_KURSMA_ARC\r\n"
            "Argument: M_KURSMA\r\n"
            "Type: string\r\n"
            "Argument Number: 3\r\n"
            "Requested type: logic\r\n"
            "Description: Cannot open\r\n");
}

TEST(ErrorMessageTest, LinesThatSayNothingAreLeftOut) {
  ERROR e;
  e.SEVERITY = 2;
  e.GENCODE = 33;
  e.SUBCODE = 7;
  e.ARGTYPE = kTypeString;     // no argument text: no type line
  e.ARGTYPEREQ = kTypeString;  // the same type: no requested line
  EXPECT_EQ(ERRORMESSAGE(e), "Error Code:  33 [ DATA TYPE ERROR ]\r\nError Subcode: 7\r\n");
}

TEST(ErrorMessageTest, SecretsAreMasked) {
  register_secret("hunter2");
  ERROR e;
  e.SEVERITY = 2;
  e.DESCRIPTION = "logon hunter2 refused";
  e.ARG = "hunter2";
  const std::string m = ERRORMESSAGE(e);
  clear_secrets();
  EXPECT_EQ(m.find("hunter2"), std::string::npos);
  EXPECT_NE(m.find("Argument: ********\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kx
