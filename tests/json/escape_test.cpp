#include "json/escape.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

TEST(OutputStringTest, PlainTextAndTrimming) {
  EXPECT_EQ(_OUTPUTSTRING("USD"), "USD");
  EXPECT_EQ(_OUTPUTSTRING("  US Dollar  "), "US Dollar");
  EXPECT_EQ(_OUTPUTSTRING(""), "");
}

TEST(OutputStringTest, QuoteAndBackslash) {
  EXPECT_EQ(_OUTPUTSTRING("a\"b"), "a\\\"b");
  EXPECT_EQ(_OUTPUTSTRING("C:\\POS"), "C:\\\\POS");
  EXPECT_EQ(_OUTPUTSTRING("\\\""), "\\\\\\\"");
  EXPECT_EQ(_OUTPUTSTRING("a/b"), "a/b");
}

TEST(OutputStringTest, LineBreaksBecomeBrAndAreNotTrimmed) {
  EXPECT_EQ(_OUTPUTSTRING("a\r\nb"), "a<br>b");
  EXPECT_EQ(_OUTPUTSTRING("a\nb"), "a<br>b");
  EXPECT_EQ(_OUTPUTSTRING("a\r\n"), "a<br>");
  EXPECT_EQ(_OUTPUTSTRING("a\n\r\nb"), "a<br><br>b");
}

TEST(OutputStringTest, RemainingControlCharactersAreEscaped) {
  EXPECT_EQ(_OUTPUTSTRING("a\tb"), "a\\tb");
  EXPECT_EQ(_OUTPUTSTRING("a\rb"), "a\\rb");
  EXPECT_EQ(_OUTPUTSTRING("\b\f"), "\\b\\f");
  EXPECT_EQ(_OUTPUTSTRING(std::string("a\x01z\x1f", 4)), "a\\u0001z\\u001F");
  EXPECT_EQ(_OUTPUTSTRING(std::string("a\0b", 3)), "a\\u0000b");
}

TEST(OutputStringTest, HighBytesPassUnchanged) {
  EXPECT_EQ(_OUTPUTSTRING("Rp\x99\xff\x7f"), "Rp\x99\xff\x7f");
}

TEST(OutputJsonStringTest, EscapesEverythingOutsidePrintableAscii) {
  EXPECT_EQ(_OUTPUTJSONSTRING(""), "");
  EXPECT_EQ(_OUTPUTJSONSTRING("a/b"), "a\\/b");
  EXPECT_EQ(_OUTPUTJSONSTRING("\"\\"), "\\\"\\\\");
  EXPECT_EQ(_OUTPUTJSONSTRING("a\tb\rc\bd\fe"), "a\\tb\\rc\\bd\\fe");
  EXPECT_EQ(_OUTPUTJSONSTRING("\x99"), "\\u0099");
  EXPECT_EQ(_OUTPUTJSONSTRING("\x7f\x01"), "\\u007F\\u0001");
}

TEST(OutputJsonStringTest, LineBreaksAndTrimming) {
  EXPECT_EQ(_OUTPUTJSONSTRING("  PT Maju  "), "PT Maju");
  EXPECT_EQ(_OUTPUTJSONSTRING("Jl. A\r\nJakarta\n"), "Jl. A<br>Jakarta<br>");
  EXPECT_EQ(_OUTPUTJSONSTRING("01.234/5"), "01.234\\/5");
}

// The two escapers differ on tab and lone CR only in that the light one now
// escapes them too; they still differ on "/" and high bytes.
TEST(EscaperDifferenceTest, SlashAndHighBytes) {
  EXPECT_EQ(_OUTPUTSTRING("a/\xe9"), "a/\xe9");
  EXPECT_EQ(_OUTPUTJSONSTRING("a/\xe9"), "a\\/\\u00E9");
}

// Member names keep a line feed as \u000A; the state and error objects ask for \n.
TEST(EscapeJsonCharsTest, LineFeedFormIsTheCallersChoice) {
  EXPECT_EQ(escape_json_chars("a\nb\r"), "a\\u000Ab\\r");
  EXPECT_EQ(escape_json_chars("a\nb\r", LineFeedEscape::kShort), "a\\nb\\r");
}

}  // namespace
}  // namespace kx
