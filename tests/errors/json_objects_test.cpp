#include "errors/json_objects.h"

#include <gtest/gtest.h>

#include "console/console.h"
#include "runtime/process/activation.h"
#include "runtime/process/exit.h"
#include "support/testing/child_process.h"

namespace kx {
namespace {

TEST(EscapeJsonTextTest, PlainTextPassesUnchanged) {
  EXPECT_EQ(escape_json_text("KELVARO.DIR"), "KELVARO.DIR");
  EXPECT_EQ(escape_json_text(""), "");
}

TEST(EscapeJsonTextTest, QuoteAndBackslashGetABackslash) {
  EXPECT_EQ(escape_json_text("D:\\POS\\\"A\""), "D:\\\\POS\\\\\\\"A\\\"");
}

TEST(EscapeJsonTextTest, ControlCharactersUseShortOrUnicodeEscapes) {
  EXPECT_EQ(escape_json_text("a\tb\bc\fd"), "a\\tb\\bc\\fd");
  EXPECT_EQ(escape_json_text(std::string("\x01\x1F\x00", 3)), "\\u0001\\u001F\\u0000");
}

TEST(EscapeJsonTextTest, CrLfBecomesBackslashRBackslashN) {
  EXPECT_EQ(escape_json_text("a\r\nb\nc"), "a\\r\\nb\\nc");
}

TEST(EscapeJsonTextTest, HighBytesAndDeletePassUnchanged) {
  EXPECT_EQ(escape_json_text("\x7F\xE9\xFF/"), "\x7F\xE9\xFF/");
}

TEST(JsonObjectsTest, StateObjectWithEmptyText) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(ERRORSTATE(1, ""), 0, out);
  EXPECT_EQ(out, "\r\n{\"State\":1,\"Error\":1,\"ErrorAddText\":\"\"}");
}

TEST(JsonObjectsTest, StateObjectEscapesBackslashesOfAPath) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(ERRORSTATE(3, "D:\\POS\\KV3DB\\M_KONTRO.KV3"), 0, out);
  EXPECT_EQ(
      out, "\r\n{\"State\":1,\"Error\":3,\"ErrorAddText\":\"D:\\\\POS\\\\KV3DB\\\\M_KONTRO.KV3\"}");
}

TEST(JsonObjectsTest, StateCodeIsUnsignedDecimal) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(ERRORSTATE(65535, "M_KONTRO.KV3"), 0, out);
  EXPECT_EQ(out, "\r\n{\"State\":1,\"Error\":65535,\"ErrorAddText\":\"M_KONTRO.KV3\"}");
}

TEST(JsonObjectsTest, ErrorObjectRepeatsTheEscapedTextInBothMembers) {
  const std::string text =
      "CANNOT SET ORDER TO \"MU_TGL\", ALIAS: M_KURSMA, PLEASE RUN CREATE INDEXES !";
  const std::string escaped =
      "CANNOT SET ORDER TO \\\"MU_TGL\\\", ALIAS: M_KURSMA, PLEASE RUN CREATE INDEXES !";
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(ERROROCCUR(text), 0, out);
  EXPECT_EQ(out, "\r\n{\"Error\":1,\"ErrorText\":\"" + escaped + "\",\"ErrorAddText\":\"" +
                     escaped + "\"}");
}

TEST(JsonObjectsTest, EarlierOutputStaysInFrontOnItsOwnLine) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        QOUT("Mapping failed");
        ERROROCCUR("Error opening file C:\\A.BIN");
      },
      0, out);
  EXPECT_EQ(out,
            "\r\nMapping failed\r\n{\"Error\":1,\"ErrorText\":\"Error opening file C:\\\\A.BIN\","
            "\"ErrorAddText\":\"Error opening file C:\\\\A.BIN\"}");
}

// The exit procedures see the reporting function on the activation stack.
TEST(JsonObjectsTest, ReportingFunctionIsOnTheActivationStackInModuleStart) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        register_exit_procedure([] {
          QOUT(activation_name(0) + "|" + activation_module(0) + "|" +
               std::to_string(activation_line(0)));
        });
        ERRORSTATE(2, "KELVARO.DIR");
      },
      0, out);
  EXPECT_EQ(out,
            "\r\n{\"State\":1,\"Error\":2,\"ErrorAddText\":\"KELVARO.DIR\"}\r\nERRORSTATE|Start|3");
}

}  // namespace
}  // namespace kx
