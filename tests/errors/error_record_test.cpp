#include "errors/error_record.h"

#include <gtest/gtest.h>

#include "errors/call_stack.h"
#include "platform/platform.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/activation.h"

namespace kx {
namespace {

class ErrorRecordTest : public ::testing::Test {};

TEST_F(ErrorRecordTest, InitTakesTheStackFromTheStartLevelAndZeroForNonNumbers) {
  Activation start("START", kModuleMain);
  Activation lookup("GET_KURSEXFIND", kModuleFunctions);
  ERROR e;
  e.INIT(Value::integer(1));
  EXPECT_EQ(e.STACK, "START (Line:1)\r\n");
  e.INIT(Value::string("1"));
  EXPECT_EQ(e.STACK, "GET_KURSEXFIND (Line:1)\r\nSTART (Line:1)\r\n");
  e.INIT();
  EXPECT_EQ(e.STACK, CALLSTACKTEXT(0));
}

TEST_F(ErrorRecordTest, InitNamesTheExecutableWithoutItsFolder) {
  ERROR e;
  e.INIT();
  const std::string path = platform::executable_path();
  ASSERT_FALSE(e.SUBSYSTEM.empty());
  EXPECT_EQ(e.SUBSYSTEM.find_first_of("\\/"), std::string::npos);
  EXPECT_EQ(path.substr(path.size() - e.SUBSYSTEM.size()), e.SUBSYSTEM);
}

TEST_F(ErrorRecordTest, ThrowHandsTheRecordItselfToTheHandlerAndReturnsItsResult) {
  auto record = std::make_shared<ERROR>();
  record->GENCODE = 21;
  const ERROR* seen = nullptr;
  install_error_handler([&seen](const Value& error) {
    seen = as_error(error);
    return Value::integer(42);
  });
  const Value result = record->THROW();
  EXPECT_EQ(seen, record.get());
  ASSERT_EQ(result.kind(), Kind::kInteger);
  EXPECT_EQ(result.as_integer(), 42);
}

}  // namespace
}  // namespace kx
