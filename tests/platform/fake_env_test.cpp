#include "support/testing/fake_env.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/drive_mapping.h"
#include "console/console.h"
#include "errors/default_handler.h"
#include "errors/error_factory.h"
#include "json/json.h"
#include "runtime/errors/error_settings.h"
#include "runtime/process/dialogs.h"
#include "runtime/process/process_state.h"
#include "runtime/process/run_stamp.h"
#include "runtime/text/text.h"
#include "support/testing/report_settings.h"

namespace kx::test {
namespace {

// What reached the world through the fake, in one line.
std::string seen(const FakeEnv& env) {
  std::string s = "out[" + env.output + "]";
  for (const DialogCall& d : env.dialogs) {
    s += " dialog[" + d.severity + " retry " + std::to_string(d.retry_flag) + "]";
  }
  for (const auto& [text, caption] : env.boxes) s += " box[" + caption + ": " + text + "]";
  if (!env.tones.empty()) s += " tones " + std::to_string(env.tones.size());
  for (uint32_t ms : env.sleeps) s += " sleep " + std::to_string(ms);
  for (const ScriptedNetwork::Call& c : env.network.calls) s += " connect[" + c.remote + "]";
  return s;
}

std::shared_ptr<ERROR> read_error() {
  auto e = std::make_shared<ERROR>();
  e->SUBSYSTEM = "DBFCDX";
  e->GENCODE = 23;
  e->SEVERITY = 2;
  e->CANRETRY = true;
  return e;
}

// The program's paths to the world go through the process's Env: each case
// runs one under a new fake, scripted as the case says, and looks at what
// the fake captured and recorded (and what the path returned).
TEST(FakeEnvTest, ProgramPathsReachTheWorldThroughTheEnv) {
  const struct {
    const char* label;
    std::function<void(FakeEnv&)> script;
    std::function<std::string()> run;
    std::string expected;
  } cases[] = {
      {"QOUT", [](FakeEnv&) {},
       [] {
         QOUT("{\"State\":1}");
         return std::string();
       },
       "out[\r\n{\"State\":1}]"},
      {"time member from the clock", [](FakeEnv& env) { env.now = {2025, 12, 31, 23, 59, 58}; },
       [] {
         JSON json;
         json.OUTPUTSTART();
         json.OUTPUT("Aktif_Jam", Value::string(time_text(clock_now())));
         json.OUTPUTEND();
         return std::string();
       },
       "out[\r\n{\r\n\"Aktif_Jam\":\"23:59:58\"\r\n}]"},
      {"error dialog answered retry, after three tones",
       [](FakeEnv& env) { env.dialog_answer = kChoiceRetry; },
       [] {
         error_settings().error_log = false;
         error_settings().beep = true;
         return value_text(DEFERROR(Value::object(read_error())));
       },
       "out[] dialog[ERROR retry 2] tones 3 -> .T."},
      {"message box", [](FakeEnv&) {},
       [] {
         DefErrorGen(Value::string("not a structure"));
         return std::string();
       },
       std::string("out[] box[") + kFactoryCaption + ": " + kWrongTagText + "]"},
      {"no message box on an invisible window station",
       [](FakeEnv& env) { env.station_visible = false; },
       [] {
         DefErrorGen(Value::string("not a structure"));
         return std::string();
       },
       "out[]"},
      {"network busy once, then a bad name",
       [](FakeEnv& env) {
         env.network.script = {170, 67};
       },
       [] {
         _MAPPINGDRIVE("\\\\srv\\data", "P:", "u", "p");
         return std::string();
       },
       "out[\r\nBad Network address!] sleep 100 connect[\\\\SRV\\DATA] connect[\\\\SRV\\DATA]"},
  };
  for (const auto& c : cases) {
    reset_process_state();
    apply_report_settings();
    FakeEnv env;
    c.script(env);
    const std::string result = c.run();
    EXPECT_EQ(seen(env) + (result.empty() ? "" : " -> " + result), c.expected) << c.label;
  }
}

}  // namespace
}  // namespace kx::test
