#include "app/drive_mapping.h"

#include <optional>

#include "console/console.h"
#include "platform/env.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/activation.h"
#include "runtime/process/secrets.h"
#include "runtime/text/ascii.h"
#include "runtime/text/text.h"

namespace kx {
namespace {

constexpr long kPlatformNt = 2;
constexpr size_t kErrorTextSize = 260;
constexpr size_t kProviderNameSize = 100;

struct ResultMessage {
  uint32_t code;
  const char* text;  // nullptr: the connection stands, nothing to say
};

constexpr ResultMessage kResultMessages[] = {
    {platform::kNetOk, nullptr},
    {platform::kNetAlreadyAssigned, nullptr},
    {platform::kNetDeviceAlreadyRemembered, nullptr},
    {platform::kNetNoNetwork, "No Network Connection found!"},
    {platform::kNetBadNetName, "Bad Network address!"},
    {platform::kNetInvalidPassword, "Network Password protected!"},
    {platform::kNetBadProvider,
     "The value specified by the lpProvider member does not match any provider!"},
    {platform::kNetAccessDenied, "Error: Mapping Network Drive - ERROR_ACCESS_DENIED!"},
    {platform::kNetBadDevType, "Error: Mapping Network Drive - ERROR_BAD_DEV_TYPE!"},
    {platform::kNetBadDevice, "Error: Mapping Network Drive - ERROR_BAD_DEVICE!"},
    {platform::kNetBadProfile, "Error: Mapping Network Drive - ERROR_BAD_PROFILE!"},
    {platform::kNetCannotOpenProfile, "Error: Mapping Network Drive - ERROR_CANNOT_OPEN_PROFILE!"},
    {platform::kNetNoNetOrBadPath, "Error: Mapping Network Drive - ERROR_NO_NET_OR_BAD_PATH!"},
};

constexpr const char* kBusyMessage = "Error: Mapping Network Drive - ERROR_BUSY!";

// Every occurrence of what, scanned left to right; text that a removal
// joins together is not scanned again.
std::string remove_all(const std::string& text, const std::string& what) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, what.size(), what) == 0) {
      i += what.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

void report_extended_error(platform::NetworkConnector& connector) {
  uint32_t provider_code = 0;
  std::string text;
  std::string provider;
  if (connector.last_extended_error(&provider_code, &text, kErrorTextSize, &provider,
                                    kProviderNameSize) == platform::kNetOk) {
    QOUT("Extended Network Error! " + text + " " + provider);
  } else {
    QOUT("Extended Network Error - Unknown! ");
  }
}

void report_result(platform::NetworkConnector& connector, uint32_t result) {
  if (result == platform::kNetExtendedError) {
    report_extended_error(connector);
    return;
  }
  for (const ResultMessage& m : kResultMessages) {
    if (m.code == result) {
      if (m.text != nullptr) QOUT(m.text);
      return;
    }
  }
  QOUT("Error: Mapping Network Drive - Unknown " + decimal(result) + "!");
}

// The length of the server name is computed unsigned; with no backslash
// after the server it would wrap, which the runtime reports as an overflow.
void raise_server_name_overflow(const std::string& path) {
  RuntimeError error;
  error.subsystem = "BASE";
  error.gencode = kGenNumOverflow;
  error.severity = 2;
  error.description = "Numeric overflow";
  error.funcsym = Symbol::intern("_MAPPINGDRIVE");
  error.arg = path;
  error.argnum = 1;
  error.argtype = kTypeString;
  raise_runtime_error(error);
}

// A provider that stays busy is not waited for without end: the run goes on
// after kMaxBusyAttempts answers, as after any other failure.
void connect_and_report(Activation* activation, const std::string& local, const std::string& remote,
                        const std::optional<std::string>& user,
                        const std::optional<std::string>& password) {
  platform::NetworkConnector& connector = platform::env().network_connector();
  for (int attempt = 1;; ++attempt) {
    activation->at(8);
    const uint32_t result = connector.add_connection(local, remote, user, password);
    activation->at(9);
    if (result != platform::kNetBusy) {
      report_result(connector, result);
      return;
    }
    if (attempt == kMaxBusyAttempts) {
      QOUT(kBusyMessage);
      return;
    }
    platform::env().sleep_ms(kBusyPauseMs);
  }
}

}  // namespace

bool _MAPPINGDRIVE(const std::string& path, const std::string& local, const std::string& user,
                   const std::string& password) {
  Activation activation("_MAPPINGDRIVE", kModuleFunctions);
  register_secret(password);
  if (path.compare(0, 2, "\\\\") != 0) return true;
  activation.at(2);
  std::string remote = ascii_upper(path);
  activation.at(3);
  const size_t server_end = remote.find('\\', 2);
  if (server_end == std::string::npos) {
    raise_server_name_overflow(path);
    return true;
  }
  const std::string server = remote.substr(2, server_end - 2);
  activation.at(4);
  while (!remote.empty() && remote.back() == '\\') remote.pop_back();
  activation.at(5);
  remote = remove_all(remote, " ON " + server);
  activation.at(6);
  remote = trim_right(remote);

  activation.at(7);
  std::optional<std::string> user_arg;
  std::optional<std::string> password_arg;
  if (VOGETOSPLATFORM() == kPlatformNt) {
    if (!user.empty()) user_arg = user;
    if (!password.empty()) password_arg = password;
  }

  connect_and_report(&activation, local, remote, user_arg, password_arg);
  activation.at(10);
  return true;
}

long VOGETOSPLATFORM() {
  Activation activation("VOGETOSPLATFORM", kModuleFunctions);
  return static_cast<long>(platform::env().os_platform_id());
}

}  // namespace kx
