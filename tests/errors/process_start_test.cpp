#include "errors/process_start.h"

#include <gtest/gtest.h>

#include "errors/error_page.h"
#include "errors/errors_test_env.h"
#include "runtime/process/activation.h"
#include "runtime/values/references.h"

namespace kx {
namespace {

class ProcessStartTest : public test::ErrorsTest {};

RuntimeError shared_open_failure() {
  RuntimeError d;
  d.subsystem = "DBFCDX";
  d.gencode = 21;
  d.oscode = 32;
  d.can_default = true;
  d.filename = "M_KURSMA.KV3";
  return d;
}

TEST_F(ProcessStartTest, InstallsTheDefaultHandlerAndTheFactory) {
  register_runtime_support();
  EXPECT_EQ(settings().international, InternationalMode::kOperatingSystem);
  const Value result = raise_runtime_error(shared_open_failure());
  ASSERT_EQ(result.kind(), Kind::kLogic);
  EXPECT_FALSE(result.as_logic());
  EXPECT_TRUE(network_error());
}

TEST_F(ProcessStartTest, KeepsAHandlerAlreadyInstalled) {
  install_error_handler([](const Value&) { return Value::integer(5); });
  register_runtime_support();
  EXPECT_EQ(settings().international, InternationalMode::kFixed);
  EXPECT_EQ(raise_runtime_error(shared_open_failure()).as_integer(), 5);
}

TEST_F(ProcessStartTest, FactoryMasksSecretsAndReleasesItsReferences) {
  register_runtime_support();
  register_secret("pw123");
  RuntimeError d = shared_open_failure();
  d.description = "net use X: pw123";
  d.args = {Value::string("pw123"), Value::integer(1)};
  const size_t before = live_references();
  const Value record = make_error_record(d);
  const ERROR* e = as_error(record);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(live_references(), before);
  EXPECT_EQ(e->DESCRIPTION, "net use X: ********");
  EXPECT_EQ(e->FILENAME, "M_KURSMA.KV3");
  EXPECT_EQ(e->ARGS.at(0).as_string(), "********");
}

// A table failure raised inside the rate lookup once start-up has installed
// the program's own handler.
TEST_F(ProcessStartTest, RaisedErrorReachesTheInstalledPage) {
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        register_runtime_support();
        install_error_handler([](const Value& error) -> Value { MYERRORHANDLER(error); });
        Activation start("START", kModuleMain);
        start.at(20);
        Activation lookup("GET_KURSEXFIND", kModuleFunctions);
        lookup.at(4);
        RuntimeError d = shared_open_failure();
        d.can_default = false;
        d.description = "Cannot open";
        raise_runtime_error(d);
      },
      0, out);
  EXPECT_NE(out.find("\r\nSub System       : DBFCDX<br>\r\nGenerated Code   : Open error<br>"),
            std::string::npos);
  EXPECT_NE(out.find("\r\nCall Stack:<br>\r\n   - Functions" + std::string(21, ' ') +
                     ": GET_KURSEXFIND (Line: 4)<br>\r\n   - Main" + std::string(26, ' ') +
                     ": START (Line: 20)<br>"),
            std::string::npos)
      << out;
}

}  // namespace
}  // namespace kx
