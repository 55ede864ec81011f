#include "errors/default_handler.h"

#include <gtest/gtest.h>

#include "console/console.h"
#include "errors/errors_test_env.h"
#include "platform/env.h"
#include "runtime/errors/break_out.h"
#include "runtime/process/activation.h"
#include "runtime/process/exit.h"

namespace kx {
namespace {

class DefErrorTest : public test::ErrorsTest {
 protected:
  void SetUp() override {
    ErrorsTest::SetUp();
    error_settings().error_log = false;
  }
};

std::shared_ptr<ERROR> record(uint32_t gencode, uint32_t oscode = 0) {
  auto e = std::make_shared<ERROR>();
  e->SUBSYSTEM = "DBFCDX";
  e->GENCODE = gencode;
  e->OSCODE = oscode;
  e->SEVERITY = 2;
  return e;
}

TEST_F(DefErrorTest, ValueThatIsNotARecordIsWrappedAsWrongClass) {
  Activation start("START", kModuleMain);
  const Value result = DEFERROR(Value::string("M_KURSMA"));
  EXPECT_FALSE(result.as_logic());
  ASSERT_EQ(dialogs_.size(), 1u);
  EXPECT_EQ(dialogs_[0].severity, "ERROR");
  EXPECT_TRUE(dialogs_[0].can_default);
  EXPECT_EQ(dialogs_[0].message,
            "Error Code:  28 [ WRONG CLASS ]\r\n"
            "Function: DEFERROR\r\n"
            "Argument: M_KURSMA\r\n"
            "Argument Number: 1\r\n"
            "CallStack:\r\nSTART (Line:1)\r\n");
  EXPECT_EQ(load_le32(static_error_structure().data() + kEsGencode), 28u);
  EXPECT_EQ(load_le32(static_error_structure().data() + kEsCanDefault), 1u);
}

TEST_F(DefErrorTest, SharingAndLockViolationsOfASoftOpenFailQuietly) {
  for (uint32_t oscode : {32u, 33u}) {
    auto e = record(21, oscode);
    e->CANDEFAULT = true;
    set_network_error(false);
    const Value result = DEFERROR(Value::object(e));
    EXPECT_FALSE(result.as_logic());
    EXPECT_TRUE(network_error());
  }
  EXPECT_TRUE(dialogs_.empty());
}

TEST_F(DefErrorTest, OtherOpenFailuresReachTheDialog) {
  auto e = record(21, 5);
  e->CANDEFAULT = true;
  DEFERROR(Value::object(e));
  auto hard = record(21, 32);
  DEFERROR(Value::object(hard));
  EXPECT_EQ(dialogs_.size(), 2u);
  EXPECT_FALSE(network_error());
}

TEST_F(DefErrorTest, RetryIsOfferedExceptForGenericCode14) {
  answer_ = kChoiceRetry;
  auto open = record(21, 5);
  open->CANRETRY = true;
  EXPECT_TRUE(DEFERROR(Value::object(open)).as_logic());
  auto no_var = record(14);
  no_var->CANRETRY = true;
  error_settings().error_log = true;
  DEFERROR(Value::object(no_var));
  ASSERT_EQ(dialogs_.size(), 2u);
  EXPECT_EQ(dialogs_[0].retry_flag, 2u);
  EXPECT_EQ(dialogs_[1].retry_flag, 0u);
  EXPECT_FALSE(no_var->CANRETRY);
  EXPECT_NE(test::read_file(log_path()).find("CanRetry        :.F.\r\n"), std::string::npos);
}

TEST_F(DefErrorTest, DefaultChoiceGivesTheEmptySubstituteOrFalse) {
  auto e = record(33);
  e->CANSUBSTITUTE = true;
  e->SUBSTITUTETYPE = kTypeString;
  const Value text = DEFERROR(Value::object(e));
  ASSERT_TRUE(text.is_string());
  EXPECT_EQ(text.as_string(), "");
  e->SUBSTITUTETYPE = kTypeDate;
  EXPECT_TRUE(DEFERROR(Value::object(e)).as_date().empty());
  e->SUBSTITUTETYPE = kTypeLong;
  EXPECT_EQ(DEFERROR(Value::object(e)).as_integer(), 0);
  e->CANSUBSTITUTE = false;
  const Value plain = DEFERROR(Value::object(e));
  ASSERT_EQ(plain.kind(), Kind::kLogic);
  EXPECT_FALSE(plain.as_logic());
  EXPECT_TRUE(dialogs_[0].can_default);
  EXPECT_FALSE(dialogs_[3].can_default);
}

TEST_F(DefErrorTest, PointerSubstituteRaisesTheSeverityToThree) {
  auto e = record(33);
  e->SEVERITY = 1;
  e->DESCRIPTION = "Pointer expected";
  e->SUBSTITUTETYPE = kTypePointer;
  DEFERROR(Value::object(e));
  EXPECT_EQ(e->SEVERITY, 3u);
  ASSERT_EQ(dialogs_.size(), 1u);
  EXPECT_EQ(dialogs_[0].severity, "WARNING");
  EXPECT_EQ(dialogs_[0].message.substr(0, 27), "Error Code:  33 [ DATA TYPE");
}

TEST_F(DefErrorTest, BeepsThreeTonesOnlyWhenSet) {
  DEFERROR(Value::object(record(23)));
  EXPECT_TRUE(tones_.empty());
  error_settings().beep = true;
  DEFERROR(Value::object(record(23)));
  const std::vector<std::pair<uint32_t, uint32_t>> expected = {{440, 1}, {494, 1}, {523, 1}};
  EXPECT_EQ(tones_, expected);
}

TEST_F(DefErrorTest, QuitBreaksOutToTheRecoveryPoint) {
  answer_ = kChoiceQuit;
  auto e = record(23);
  const auto caught = with_recovery_point([&] { DEFERROR(Value::object(e)); });
  ASSERT_TRUE(caught.has_value());
  EXPECT_EQ(as_error(*caught), e.get());
  EXPECT_EQ(dialogs_[0].break_flag, 0x80000003u);
  EXPECT_FALSE(recovery_point_active());
}

TEST_F(DefErrorTest, QuitWithoutRecoveryPointExitsWithTheGenericCode) {
  answer_ = kChoiceQuit;
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        set_close_all_hook([] { QOUT("closed"); });
        register_exit_procedure(
            [this] { QOUT("flag " + std::to_string(dialogs_.at(0).break_flag)); });
        DEFERROR(Value::object(record(21, 2)));
      },
      21, out);
  EXPECT_EQ(out, "\r\nclosed\r\nflag 2147483648");
}

TEST_F(DefErrorTest, EmptyStackIsFilledFromLevelOne) {
  Activation start("START", kModuleMain);
  Activation pre("STARTPRE2", kModuleStart);
  auto e = record(23);
  DEFERROR(Value::object(e));
  EXPECT_EQ(e->STACK, "START (Line:1)\r\n");
  e->STACK = "KEPT (Line:9)\r\n";
  DEFERROR(Value::object(e));
  EXPECT_EQ(dialogs_[1].message.substr(dialogs_[1].message.find("CallStack:")),
            "CallStack:\r\nKEPT (Line:9)\r\n");
}

TEST_F(DefErrorTest, LogIsWrittenBeforeTheDialogOnlyWhenSet) {
  DEFERROR(Value::object(record(23)));
  EXPECT_EQ(platform::env().path_kind(log_path()), platform::PathKind::kMissing);
  error_settings().error_log = true;
  env_.on_dialog = [this](const test::DialogCall&) {
    EXPECT_NE(test::read_file(log_path()).find("GenCode         :Read error\r\n"),
              std::string::npos);
    return kChoiceDefault;
  };
  DEFERROR(Value::object(record(23)));
}

// A message box needs someone to answer it. Where the window station is not
// visible none is shown: the error dialog answers quit at once and the
// factory's messages are skipped, while the tones and the log stay.
TEST_F(DefErrorTest, MessageBoxesAppearOnlyOnAVisibleWindowStation) {
  enum Caller { kHandler, kWrongTag, kNoRecord };
  struct Case {
    const char* label;
    bool visible;
    Caller caller;
    bool quits;  // the handler broke out to the recovery point
  };
  const Case cases[] = {
      {"handler, visible", true, kHandler, false},
      {"handler, not visible", false, kHandler, true},
      {"wrong tag, visible", true, kWrongTag, false},
      {"wrong tag, not visible", false, kWrongTag, false},
      {"no record, not visible", false, kNoRecord, false},
  };
  error_settings().beep = true;
  error_settings().error_log = true;
  for (const Case& c : cases) {
    visible_ = c.visible;
    dialogs_.clear();
    boxes_.clear();
    tones_.clear();
    std::filesystem::remove(log_path());
    bool quit = false;
    if (c.caller == kHandler) {
      quit = with_recovery_point([] { DEFERROR(Value::object(record(23))); }).has_value();
      EXPECT_EQ(tones_.size(), 3u) << c.label;
      EXPECT_NE(test::read_file(log_path()).find("GenCode         :Read error\r\n"),
                std::string::npos)
          << c.label;
    } else {
      if (c.caller == kNoRecord) set_error_record_maker([] { return std::shared_ptr<ERROR>(); });
      DefErrorGen(Value::string("not a structure"));
      set_error_record_maker(nullptr);
    }
    EXPECT_EQ(dialogs_.size() + boxes_.size(), c.visible ? 1u : 0u) << c.label;
    EXPECT_EQ(quit, c.quits) << c.label;
  }
}

}  // namespace
}  // namespace kx
