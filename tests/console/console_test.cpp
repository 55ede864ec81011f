#include "console/console.h"

#include <gtest/gtest.h>

#include "platform/env.h"
#include "runtime/process/exit.h"
#include "support/testing/child_process.h"

namespace kx {
namespace {

TEST(QoutTest, WritesLineEndFirstAndNoFinalLineEnd) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        QOUT("{\"State\":1}");
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, "\r\n{\"State\":1}");
}

TEST(QoutTest, SeparatesCallsAndArguments) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        QOUT("A");
        QOUT("B");
        QOUT();
        QOUT({Value::string("x"), Value::string("y"), Value::logic(true)});
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, "\r\nA\r\nB\r\n\r\nx y .T.");
}

// On a pipe or a file the size, title and clear steps of the first output
// must put nothing into the stream.
TEST(QoutTest, ConsoleSetUpWritesNothingIntoARedirectedStream) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        QOUT("x");
        CONSOLE* console = console_object();
        console->CLEAR();
        console->SIZE(CONSOLECOORD::INIT(100, 40));
        console->TITLE("t");
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, "\r\nx");
}

TEST(QoutTest, ExitProcedureDropsTheConsoleObject) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        QOUT("a");
        run_exit_procedures();
        if (console_object() != nullptr) platform::exit_process(3);
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, "\r\na");
}

TEST(QoutTest, InvalidOutputHandleLosesTextSilently) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        platform::env().set_std_handle(platform::StdStream::kOutput, platform::kInvalidHandle);
        QOUT("lost");
        CONSOLE* console = console_object();
        if (console->WRITE("x")) platform::exit_process(4);
        orderly_exit();
      },
      0, out);
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace kx
