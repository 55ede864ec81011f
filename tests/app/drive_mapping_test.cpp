#include "app/drive_mapping.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <vector>

#include "console/console.h"
#include "platform/env.h"
#include "platform/platform.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/activation.h"
#include "runtime/process/exit.h"
#include "runtime/process/secrets.h"
#include "runtime/text/text.h"
#include "support/testing/child_process.h"
#include "support/testing/fake_env.h"

namespace kx {
namespace {

using Call = test::ScriptedNetwork::Call;

// The fake Env answers connections as its scripted network says, on the NT
// platform, and records the pauses between attempts instead of sleeping.
class DriveMappingTest : public ::testing::Test {
 protected:
  // What body printed, run in a child process.
  std::string printed(const std::function<void()>& body) {
    std::string out;
    KX_EXPECT_EXIT_OUTPUT(
        {
          body();
          orderly_exit();
        },
        0, out);
    return out;
  }
  Call connect(const std::string& path, const std::string& user = "u",
               const std::string& password = "p") {
    EXPECT_TRUE(_MAPPINGDRIVE(path, "P:", user, password));
    EXPECT_EQ(connector_.calls.size(), 1u);
    return connector_.calls.empty() ? Call{} : connector_.calls[0];
  }
  test::FakeEnv env_;
  test::ScriptedNetwork& connector_ = env_.network;
  std::vector<uint32_t>& pauses_ = env_.sleeps;
};

TEST_F(DriveMappingTest, PrintsTheLineOfEveryResult) {
  const std::string err = "Error: Mapping Network Drive - ";
  const std::vector<std::pair<std::vector<uint32_t>, std::string>> rows = {
      {{0}, ""},
      {{85}, ""},
      {{1202}, ""},
      {{170, 170, 0}, ""},
      {{1222}, "No Network Connection found!"},
      {{67}, "Bad Network address!"},
      {{170, 67}, "Bad Network address!"},
      {{86}, "Network Password protected!"},
      {{1204}, "The value specified by the lpProvider member does not match any provider!"},
      {{5}, err + "ERROR_ACCESS_DENIED!"},
      {{66}, err + "ERROR_BAD_DEV_TYPE!"},
      {{1200}, err + "ERROR_BAD_DEVICE!"},
      {{1206}, err + "ERROR_BAD_PROFILE!"},
      {{1205}, err + "ERROR_CANNOT_OPEN_PROFILE!"},
      {{1203}, err + "ERROR_NO_NET_OR_BAD_PATH!"},
      {{1219}, err + "Unknown 1219!"},
      {{4294967295u}, err + "Unknown 4294967295!"},
      {{1208}, "Extended Network Error! The share is offline Microsoft Windows Network"}};
  const std::string out = printed([&] {
    for (size_t i = 0; i < rows.size(); ++i) {
      QOUT("#" + decimal(i));
      connector_.calls.clear();
      connector_.script = rows[i].first;
      _MAPPINGDRIVE("\\\\SRV\\DATA", "P:", "u", "p");
    }
  });
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string mark = "\r\n#" + decimal(i);
    const size_t at = out.find(mark);
    ASSERT_NE(at, std::string::npos) << out;
    const size_t begin = at + mark.size();
    const size_t end = out.find("\r\n#", begin);
    const std::string line = rows[i].second.empty() ? "" : "\r\n" + rows[i].second;
    EXPECT_EQ(out.substr(begin, end - begin), line) << "row " << i;
  }
}

TEST_F(DriveMappingTest, ExtendedErrorUsesBuffersOf260And100AndItsFailureLine) {
  connector_.script = {1208};
  connector_.extended_result = 1;
  EXPECT_EQ(printed([&] {
              _MAPPINGDRIVE("\\\\SRV\\DATA", "P:", "", "");
              QOUT(connector_.sizes);
            }),
            "\r\nExtended Network Error - Unknown! \r\n260 100");
}

TEST_F(DriveMappingTest, EndlessBusyStopsAfterTwentyAttemptsWithItsLine) {
  connector_.script = {170};
  EXPECT_EQ(printed([&] {
              _MAPPINGDRIVE("\\\\SRV\\DATA", "P:", "u", "p");
              uint32_t total = 0;
              for (uint32_t ms : pauses_) total += ms;
              QOUT(decimal(connector_.calls.size()) + " " + decimal(pauses_.size()) + " " +
                   decimal(total));
            }),
            "\r\nError: Mapping Network Drive - ERROR_BUSY!\r\n20 19 1900");
}

TEST_F(DriveMappingTest, BusyPauseReallySleepsWithoutTheSeam) {
  env_.real_sleep = true;
  connector_.script = {170, 0};
  const auto start = std::chrono::steady_clock::now();
  _MAPPINGDRIVE("\\\\SRV\\DATA", "P:", "u", "p");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(95));
}

TEST_F(DriveMappingTest, CleansThePathIntoTheRemoteName) {
  const std::map<std::string, std::string> cases = {
      {"\\\\srv\\data\\pos", "\\\\SRV\\DATA\\POS"},
      {"\\\\SRV\\DATA\\\\\\", "\\\\SRV\\DATA"},
      {"\\\\srv\\data on srv", "\\\\SRV\\DATA"},
      {"\\\\SRV\\A ON SRV\\B ON SRV", "\\\\SRV\\A\\B"},
      {"\\\\SRV\\DATA ON OTHER", "\\\\SRV\\DATA ON OTHER"},
      {"\\\\SRV\\DATA \\", "\\\\SRV\\DATA"},
      {"\\\\SRV\\DATA\\ ", "\\\\SRV\\DATA\\"},
      {"\\\\SRV\\", "\\\\SRV"},
  };
  for (const auto& [path, remote] : cases) {
    connector_.calls.clear();
    const Call call = connect(path);
    EXPECT_EQ(call.remote, remote) << path;
    EXPECT_EQ(call.local, "P:");
    EXPECT_EQ(call.function, "_MAPPINGDRIVE");
  }
}

TEST_F(DriveMappingTest, PassesOnlyNonEmptyCredentialsOnTheNtPlatform) {
  using Text = std::optional<std::string>;
  const struct {
    long platform;
    std::string user, password;
    Text passed_user, passed_password;
  } cases[] = {{2, "kasir", "Geheim-42", "kasir", "Geheim-42"},
               {2, "kasir", "", "kasir", std::nullopt},
               {2, "", "Geheim-42", std::nullopt, "Geheim-42"},
               {1, "kasir", "Geheim-42", std::nullopt, std::nullopt},
               {0, "kasir", "Geheim-42", std::nullopt, std::nullopt}};
  for (const auto& c : cases) {
    env_.platform_id = static_cast<uint32_t>(c.platform);
    connector_.calls.clear();
    const Call call = connect("\\\\SRV\\D", c.user, c.password);
    EXPECT_EQ(call.user, c.passed_user) << c.platform << " " << c.user << "/" << c.password;
    EXPECT_EQ(call.password, c.passed_password) << c.platform << " " << c.user << "/" << c.password;
  }
  EXPECT_EQ(mask_secrets("pw Geheim-42"), std::string("pw ") + kSecretMask);
}

TEST_F(DriveMappingTest, PathsThatAreNotUncConnectNothing) {
  for (const char* path : {"D:\\POS", "\\SRV\\DATA", " \\\\SRV\\DATA", "", "\\"}) {
    EXPECT_TRUE(_MAPPINGDRIVE(path, "P:", "u", "p")) << path;
  }
  EXPECT_TRUE(connector_.calls.empty());
}

TEST_F(DriveMappingTest, NoBackslashAfterServerRaisesOverflowAndConnectsNothing) {
  RuntimeError raised;
  std::string raised_in;
  int handled = 0;
  register_error_factory([&](const RuntimeError& details) {
    raised = details;
    raised_in = activation_name(0);
    return Value::integer(7);
  });
  install_error_handler([&](const Value& record) {
    handled += record.as_integer() == 7 ? 1 : 100;
    return Value();
  });
  EXPECT_TRUE(_MAPPINGDRIVE("\\\\SERVER", "P:", "kasir", "Geheim-42"));
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(raised.gencode, kGenNumOverflow);
  EXPECT_EQ(raised.subsystem, "BASE");
  EXPECT_EQ(raised.funcsym.name(), "_MAPPINGDRIVE");
  EXPECT_EQ(raised_in, "_MAPPINGDRIVE");
  const std::string text = raised.description + raised.arg + raised.operation + raised.filename;
  EXPECT_EQ(text.find("Geheim-42"), std::string::npos);
  EXPECT_TRUE(connector_.calls.empty());
}

TEST(VogetosplatformTest, ReportsTheNtFamily) { EXPECT_EQ(VOGETOSPLATFORM(), 2); }

// The real connection call, once, to a server that does not exist on a drive
// letter that is free: whatever the system answers comes out as one table line.
TEST(DriveMappingRealTest, UnknownServerPrintsALineOfTheTable) {
#ifndef _WIN32
  GTEST_SKIP() << "the Windows connection call exists only in the Windows build";
#else
  char letter = 'Z';
  while (letter > 'H' &&
         platform::env().path_kind(letter + std::string(":\\")) != platform::PathKind::kMissing)
    --letter;
  std::string out;
  KX_EXPECT_EXIT_OUTPUT(
      {
        _MAPPINGDRIVE("\\\\NOSUCHSERVER\\SHARE", letter + std::string(":"), "", "");
        orderly_exit();
      },
      0, out);
  bool known = false;
  for (const char* line : {"No Network Connection found!", "Bad Network address!",
                           "Network Password protected!", "Error: Mapping Network Drive - ",
                           "Extended Network Error", "The value specified by the lpProvider"}) {
    known = known || out.rfind(std::string("\r\n") + line, 0) == 0;
  }
  EXPECT_TRUE(known && out.find("\r\n", 2) == std::string::npos) << out;
#endif
}

}  // namespace
}  // namespace kx
