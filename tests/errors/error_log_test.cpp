#include "errors/error_log.h"

#include <gtest/gtest.h>

#include <functional>

#include "errors/default_handler.h"
#include "errors/errors_test_env.h"
#include "fileio/file_open.h"
#include "platform/env.h"
#include "runtime/errors/file_error.h"
#include "runtime/process/run_stamp.h"
#include "tablewriter/dbf_writer.h"

namespace kx {
namespace {

class ErrorLogTest : public test::ErrorsTest {
 protected:
  void write_entry(const std::string& message, const ERROR& e) {
    const platform::NativeHandle h = OPENERRORLOG();
    ASSERT_NE(h, platform::kInvalidHandle);
    WRITEERRORLOG(h, message, e);
    platform::env().close_file(h);
  }
};

std::string entry_head(const std::string& message) {
  return "***********************ERROR********************************\r\n" + version_text() +
         "\r\n07/03/2026 14:05:09\r\nApplication: " + platform::executable_path() +
         "\r\n \r\nError message:\r\n--------------\r\n" + message +
         "\r\nError Object created:\r\n--------------------\r\n";
}

std::string pad(const std::string& number) { return std::string(20 - number.size(), ' ') + number; }

TEST_F(ErrorLogTest, NewLogStartsWithTheBannerAndAnExistingOneGetsAnEmptyLineFirst) {
  ERROR e;
  e.SUBSYSTEM = "DBFCDX";
  e.SUBCODE = 1001;
  e.GENCODE = 21;
  e.OSCODE = 32;
  e.SEVERITY = 2;
  e.CANDEFAULT = true;
  e.OPERATION = "Open";
  e.DESCRIPTION = "Cannot open";
  e.FILENAME = "D:\\POINT-OF-SALE\\DATA\\KV3DB\\M_KURSMA_ARCHIVE.KV3";
  e.TRIES = 1;
  e.FUNCSYM = Symbol::intern("DBUSEAREA");
  e.ARGNUM = 2;
  e.FUNCPTR = 0x401000;
  e.ARG = "M_KURSMA";
  e.ARGTYPE = kTypeString;
  e.SUBSTITUTETYPE = kTypeLogic;
  e.CALLFUNCSYM = Symbol::intern("STARTPRE2");
  const std::string entry =
      entry_head("MSG\r\n") +
      "SubSystem       :DBFCDX\r\n"
      "SubCode         :" +
      pad("1001") +
      "\r\n"
      "GenCode         :Open error\r\n"
      "OsCode          :" +
      pad("32") +
      "\r\n"
      "ArgType         :string\r\n"
      "FuncPtr         :0x00401000\r\n"
      "ArgNum          :" +
      pad("2") +
      "\r\n"
      "FuncSym         :DBUSEAREA\r\n"
      "Severity        :" +
      pad("2") +
      "\r\n"
      "CanDefault      :.T.\r\n"
      "CanRetry        :.F.\r\n"
      "CanSubstitute   :.F.\r\n"
      "Operation       :Open\r\n"
      "Description     :Cannot open\r\n"
      "FileName        :D:\\POINT-OF-SALE\\DATA\\KV3DB\\M_KURSMA_ARCHIVE.KV3\r\n"
      "Tries           :" +
      pad("1") +
      "\r\n"
      "FileHandle      :" +
      pad("0") +
      "\r\n"
      "SubCodeText     :\r\n"
      "Arg             :M_KURSMA\r\n"
      "ArgTypeReq      :none\r\n"
      "MaxSize         :" +
      pad("0") +
      "\r\n"
      "SubstituteType  :logic\r\n"
      "CallFuncSym     :STARTPRE2\r\n"
      "--------------------\r\n";
  write_entry("MSG\r\n", e);
  EXPECT_EQ(test::read_file(log_path()), entry);
  write_entry("MSG\r\n", e);
  EXPECT_EQ(test::read_file(log_path()), entry + "\r\n" + entry);
}

TEST_F(ErrorLogTest, ProcessorExceptionShowsTheFiveExceptionLines) {
  ERROR e;
  e.SUBCODE = kSubcodeException;
  e.OSCODE = 0xC0000005u;
  e.ARGTYPE = 1;
  e.FUNCPTR = 0x0040ABCDu;
  e.ARGNUM = 2;
  e.FUNCSYM = Symbol::intern("7FFDE000");
  e.SEVERITY = 2;
  write_entry("", e);
  const std::string log = test::read_file(log_path());
  const std::string expected =
      "GenCode         :\r\n"
      "ExceptionCode   :C0000005\r\n"
      "ExceptionFlags  :00000001\r\n"
      "ExceptionAddress:0040ABCD\r\n"
      "ParamNumber     :" +
      pad("2") +
      "\r\n"
      "ExceptionInfo   :7FFDE000\r\n"
      "Severity        :" +
      pad("2") + "\r\n";
  EXPECT_NE(log.find(expected), std::string::npos) << log;
  EXPECT_EQ(log.find("OsCode"), std::string::npos);
}

TEST_F(ErrorLogTest, MissingFolderReportsTheDefaultDirectorySettingAndClearsIt) {
  error_settings().log_folder = log_folder_ + "missing/deeper";
  error_settings().default_dir = "D:\\POS";
  error_settings().default_path = "C:\\";
  EXPECT_EQ(OPENERRORLOG(), platform::kInvalidHandle);
  EXPECT_EQ(OPENERRORLOG(), platform::kInvalidHandle);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"SetDefaultDir: D:\\POS", "Internal error"}, {"SetDefault: C:\\", "Internal error"}};
  EXPECT_EQ(boxes_, expected);
  EXPECT_EQ(error_settings().default_dir, "");
  EXPECT_EQ(error_settings().default_path, "");
}

TEST_F(ErrorLogTest, DefaultHandlerEntryHoldsTheMessageAndNoSecret) {
  register_secret("Geheim!");
  auto e = std::make_shared<ERROR>();
  e->SEVERITY = 2;
  e->GENCODE = 21;
  e->FILENAME = "\\\\srv\\pos Geheim!";
  e->STACK = "START (Line:3)\r\n";
  DEFERROR(Value::object(e));
  const std::string log = test::read_file(log_path());
  EXPECT_EQ(log.find("Geheim!"), std::string::npos);
  EXPECT_NE(
      log.find(
          "--------------\r\nError Code:  21 [ OPEN ERROR ]\r\nFilename: \\\\srv\\pos ********\r\n"
          "CallStack:\r\nSTART (Line:3)\r\n\r\nError Object created:"),
      std::string::npos)
      << log;
  EXPECT_NE(log.find("FileName        :\\\\srv\\pos ********\r\n"), std::string::npos);
}

// The log's open, seek, write and close are low-level file operations of the
// process like the binary file reader's: ISERROR reports the last of them.
TEST_F(ErrorLogTest, IsErrorReportsHowTheLogsLastFileOperationWent) {
  const std::string file = test::scratch_path("READER.BIN");
  ASSERT_TRUE(writer::write_file(file, "abc"));
  const FILEOPEN reader(file);
  const auto handler_logs = [] { DEFERROR(Value::object(std::make_shared<ERROR>())); };
  struct Case {
    const char* label;
    std::function<void(const std::string& log)> prepare;
    std::function<void(const std::string& log)> act;
    bool error;
  };
  const Case cases[] = {
      {"new log", [](const std::string&) {}, [&](const std::string&) { handler_logs(); }, false},
      {"existing log",
       [](const std::string& log) { ASSERT_TRUE(writer::write_file(log, "x\r\n")); },
       [&](const std::string&) { handler_logs(); }, false},
      {"log that is a folder",
       [](const std::string& log) { std::filesystem::create_directories(log); },
       [&](const std::string&) { handler_logs(); }, true},
      {"log in a missing folder",
       [this](const std::string&) { error_settings().log_folder = log_folder_ + "missing/"; },
       [&](const std::string&) { handler_logs(); }, true},
      {"entry through a handle that cannot write",
       [](const std::string& log) { ASSERT_TRUE(writer::write_file(log, "")); },
       [](const std::string& log) {
         platform::NativeHandle handle = platform::kInvalidHandle;
         ASSERT_TRUE(platform::env().open_file(log, platform::OpenMode::kRead, true, &handle).ok());
         platform::ScopedHandle h(handle);
         WRITEERRORLOG(h.get(), "MSG\r\n", ERROR());
       },
       true},
  };
  for (const Case& c : cases) {
    error_settings().log_folder = log_folder_;
    std::filesystem::remove_all(log_path());
    c.prepare(log_path());
    // The opposite of the expected answer, so that only the log's operations
    // can turn it.
    set_last_file_error(c.error ? platform::kErrNone : platform::kErrReadFault);
    c.act(log_path());
    EXPECT_EQ(reader.ISERROR(), c.error) << c.label << ": code " << last_file_error();
  }
}

}  // namespace
}  // namespace kx
