#include "errors/call_stack.h"

#include <gtest/gtest.h>

#include "runtime/process/activation.h"

namespace kx {
namespace {

TEST(CallStackTextTest, ListsAtMostFiveLevelsInnermostFirst) {
  Activation start("START", kModuleMain);
  start.at(7);
  Activation lookup("GET_KURSEXFIND", kModuleFunctions);
  lookup.at(12);
  Activation order("VOSETORDER", kModuleDatabases);
  Activation output("JSON:OUTPUT", kModuleJson);
  output.at(4);
  Activation text("_OUTPUTSTRING", kModuleJson);
  text.at(2);
  Activation file("FILEOPEN:POSITION:ACCESS", kModuleFile);
  file.at(3);
  EXPECT_EQ(
      CALLSTACKTEXT(0),
      "FILEOPEN:POSITION:ACCESS (Line:3)\r\n_OUTPUTSTRING (Line:2)\r\nJSON:OUTPUT (Line:4)\r\n"
      "VOSETORDER (Line:1)\r\nGET_KURSEXFIND (Line:12)\r\n");
  EXPECT_EQ(CALLSTACKTEXT(2),
            "JSON:OUTPUT (Line:4)\r\nVOSETORDER (Line:1)\r\nGET_KURSEXFIND (Line:12)\r\nSTART "
            "(Line:7)\r\n");
}

TEST(CallStackTextTest, NoLevelAtOrAboveTheStartGivesTheEmptyMarker) {
  EXPECT_EQ(CALLSTACKTEXT(0), "*EmptyCallStack*\r\n");
  Activation start("START", kModuleMain);
  Activation pre("STARTPRE2", kModuleStart);
  EXPECT_EQ(CALLSTACKTEXT(2), "*EmptyCallStack*\r\n");
  EXPECT_EQ(CALLSTACKTEXT(4000000000u), "*EmptyCallStack*\r\n");
  EXPECT_EQ(CALLSTACKTEXT(1), "START (Line:1)\r\n");
}

TEST(CallStackTextTest, AnEmptyNameIsShownAsProcName) {
  Activation nameless("", kModuleMain);
  nameless.at(5);
  EXPECT_EQ(CALLSTACKTEXT(0), "*ProcName* (Line:5)\r\n");
}

}  // namespace
}  // namespace kx
