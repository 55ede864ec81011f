// Connecting a local device name to a network share. Win32 uses
// WNetAddConnection2A; POSIX runs the system's CIFS mount helper. Results are
// Windows error numbers on every platform. The program's connector is
// platform::env().network_connector() (platform/env.h).
#ifndef KX_PLATFORM_NETWORK_H_
#define KX_PLATFORM_NETWORK_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kx::platform {

// Results of a connection request (Windows error numbers).
constexpr uint32_t kNetOk = 0;
constexpr uint32_t kNetAccessDenied = 5;
constexpr uint32_t kNetBadDevType = 66;
constexpr uint32_t kNetBadNetName = 67;
constexpr uint32_t kNetAlreadyAssigned = 85;
constexpr uint32_t kNetInvalidPassword = 86;
constexpr uint32_t kNetBusy = 170;
constexpr uint32_t kNetBadDevice = 1200;
constexpr uint32_t kNetDeviceAlreadyRemembered = 1202;
constexpr uint32_t kNetNoNetOrBadPath = 1203;
constexpr uint32_t kNetBadProvider = 1204;
constexpr uint32_t kNetCannotOpenProfile = 1205;
constexpr uint32_t kNetBadProfile = 1206;
constexpr uint32_t kNetExtendedError = 1208;
constexpr uint32_t kNetNoNetwork = 1222;

class NetworkConnector {
 public:
  virtual ~NetworkConnector() = default;

  // Connects local (for example "P:") to remote. An absent user or password
  // makes the system use the current user's default. Returns 0 or a Windows
  // error number (170 busy, 85 already assigned, 1208 extended error, ...).
  virtual uint32_t add_connection(const std::string& local, const std::string& remote,
                                  const std::optional<std::string>& user,
                                  const std::optional<std::string>& password) = 0;

  // The last extended network error: 0 and the texts on success, else a
  // non-zero result. text_size and provider_size are the buffer sizes in
  // characters; the texts are cut to fit them.
  virtual uint32_t last_extended_error(uint32_t* provider_code, std::string* text, size_t text_size,
                                       std::string* provider, size_t provider_size) = 0;
};

}  // namespace kx::platform

#endif  // KX_PLATFORM_NETWORK_H_
