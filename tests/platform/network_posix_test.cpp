#ifndef _WIN32
#include "platform/posix/network_posix.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/testing/child_process.h"

namespace kx::platform {
namespace {

namespace fs = std::filesystem;

// Runs a fake mount helper that records its arguments, environment, input and
// session, writes a chosen message and exits with a chosen status.
class CifsMountConnectorTest : public ::testing::Test {
 protected:
  CifsMountConnectorTest()
      : dir_(fs::path(test::scratch_path("x")).parent_path()),
        connector_((dir_ / "mount.cifs").string()) {}
  void SetUp() override {
    fs::remove(record());
    fs::create_directories(dir_ / "mnt");
    fake("", 0);
  }
  void fake(const std::string& message, int status, const char* stream = ">&2") {
    std::ofstream(dir_ / "mount.cifs")
        << "#!/bin/sh\n{ for a in \"$0\" \"$@\"; do echo \"arg=$a\"; done\n"
        << "env | sed 's/^/env=/'\necho \"in=$(readlink /proc/self/fd/0)\"\n"
        << "[ \"$(cut -d' ' -f6 /proc/$$/stat)\" = $$ ] && echo own-session; } > " << record()
        << "\ncat " << stream << " <<'EOF'\n"
        << message << "\nEOF\nexit " << status << "\n";
    fs::permissions(dir_ / "mount.cifs", fs::perms::owner_all);
  }
  uint32_t connect(const std::optional<std::string>& user = "kasir",
                   const std::optional<std::string>& password = "Geheim-42",
                   const std::string& remote = "\\\\SRV\\DATA\\POS") {
    return connector_.add_connection(mount_point(), remote, user, password);
  }
  std::string mount_point() const { return (dir_ / "mnt").string(); }
  std::string record() const { return (dir_ / "record.txt").string(); }
  bool recorded(const std::string& line) const {
    return ("\n" + test::read_file(record())).find("\n" + line + "\n") != std::string::npos;
  }
  const fs::path dir_;
  CifsMountConnector connector_;
};

TEST_F(CifsMountConnectorTest, MountsTheWholePathWithCredentialsOnlyInTheEnvironment) {
  EXPECT_EQ(connect(), kNetOk);
  const std::string text = test::read_file(record());
  const std::string helper = (dir_ / "mount.cifs").string();
  EXPECT_EQ(
      text.rfind("arg=" + helper + "\narg=//SRV/DATA/POS\narg=" + mount_point() + "\nenv=", 0), 0u)
      << text;
  EXPECT_TRUE(recorded("env=USER=kasir"));
  EXPECT_TRUE(recorded("env=PASSWD=Geheim-42"));
  EXPECT_EQ(text.find("Geheim-42"), text.rfind("Geheim-42")) << "the password outside PASSWD";
  EXPECT_TRUE(recorded("in=/dev/null"));
  EXPECT_TRUE(recorded("own-session"));
}

TEST_F(CifsMountConnectorTest, AbsentCredentialsAreNotInheritedEither) {
  ::setenv("PASSWD", "from-parent", 1);
  EXPECT_EQ(connect(std::nullopt, std::nullopt), kNetOk);
  ::unsetenv("PASSWD");
  const std::string text = test::read_file(record());
  EXPECT_EQ(text.find("env=USER="), std::string::npos);
  EXPECT_EQ(text.find("env=PASSWD="), std::string::npos);
}

TEST_F(CifsMountConnectorTest, FailuresBecomeWindowsResultsAndTheExtendedText) {
  fake("mount error(13): Permission denied\nRefer to the mount.cifs(8) manual page", 32);
  EXPECT_EQ(connect(), kNetInvalidPassword);
  // On standard output, which must be captured too, never reach ours.
  fake("mount error(16): Device or resource busy", 32, "");
  EXPECT_EQ(connect(), kNetBusy);
  fake("mount error(95): Operation not supported", 32);
  EXPECT_EQ(connect(), kNetExtendedError);
  uint32_t code = 0;
  std::string text, provider;
  EXPECT_EQ(connector_.last_extended_error(&code, &text, 260, &provider, 3), kNetOk);
  EXPECT_EQ(text + "|" + provider + "|" + std::to_string(code),
            "mount error(95): Operation not supported|CI|95");
  fake("logon refused for Geheim-42", 32);
  EXPECT_EQ(connect(), kNetExtendedError);
  connector_.last_extended_error(&code, &text, 260, &provider, 100);
  EXPECT_EQ(text, "logon refused for ********");
  fake(std::string(300, 'x'), 5);
  EXPECT_EQ(connect(), kNetExtendedError);
  connector_.last_extended_error(&code, &text, 260, &provider, 100);
  EXPECT_EQ(text, std::string(259, 'x'));
}

TEST_F(CifsMountConnectorTest, UnusableLocalNameMissingHelperOrBadRemoteRunNothing) {
  std::ofstream(dir_ / "file") << "x";
  EXPECT_EQ(connector_.add_connection((dir_ / "file").string(), "\\\\S\\D", "u", "p"),
            kNetBadDevice);
  EXPECT_EQ(connector_.add_connection(mount_point() + "/no", "\\\\S\\D", "u", "p"), kNetBadDevice);
  EXPECT_EQ(connector_.add_connection("/proc", "\\\\S\\D", "u", "p"), kNetAlreadyAssigned);
  EXPECT_EQ(connect("u", "p", "\\\\SRV\\"), kNetBadNetName);
  CifsMountConnector missing((dir_ / "no-helper").string());
  EXPECT_EQ(missing.add_connection(mount_point(), "\\\\S\\D", "u", "p"), kNetNoNetwork);
  EXPECT_FALSE(fs::exists(record()));
}

TEST(CifsNamesTest, ServiceNameNeedsServerAndShare) {
  EXPECT_EQ(cifs_service_name("\\\\SRV\\DATA"), "//SRV/DATA");
  EXPECT_EQ(cifs_service_name("\\\\SRV\\DATA\\A\\B"), "//SRV/DATA/A/B");
  for (const char* bad : {"\\\\SRV", "\\\\SRV\\", "\\\\\\DATA", "\\\\SRV\\\\X", "D:\\X", ""}) {
    EXPECT_EQ(cifs_service_name(bad), std::nullopt) << bad;
  }
}

TEST(CifsNamesTest, HelperMessagesMapToWindowsResults) {
  const std::pair<const char*, uint32_t> cases[] = {
      {"mount error(13): Permission denied", kNetInvalidPassword},
      {"mount.cifs: permission denied: no match for /mnt in fstab", kNetInvalidPassword},
      {"mount error(112): Host is down", kNetBadNetName},
      {"mount error: could not resolve address for NOSUCH: Unknown error", kNetBadNetName},
      {"Unable to find suitable address.", kNetBadNetName},
      {"mount error(19): No such device", kNetNoNetwork},
      {"Password for u@//S/D:  mount error(22): Invalid argument", kNetExtendedError},
      {"mount error(1234567): x busy", kNetBusy},
      {"", kNetExtendedError}};
  for (const auto& [output, result] : cases) {
    EXPECT_EQ(cifs_result_code(32, output), result) << output;
  }
  EXPECT_EQ(cifs_result_code(0, "mount error(13): Permission denied"), kNetOk);
  EXPECT_EQ(cifs_error_text("a \n\nRefer to the manual\nb\n"), "a b");
}

}  // namespace
}  // namespace kx::platform
#endif  // _WIN32
