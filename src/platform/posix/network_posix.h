// Network connections on POSIX: the system's CIFS mount helper mounts the
// share on a folder that stands in for the local device name. Outcomes are
// Windows error numbers, so callers report them as on Windows.
#ifndef KX_PLATFORM_POSIX_NETWORK_POSIX_H_
#define KX_PLATFORM_POSIX_NETWORK_POSIX_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/network.h"

namespace kx::platform {

// "//SERVER/SHARE/SUB" for the UNC path \\SERVER\SHARE\SUB (the helper takes
// the folder below the share as part of the service name); nullopt when
// remote does not name at least a server and a share.
std::optional<std::string> cifs_service_name(const std::string& remote);

// The Windows result for a helper run that ended with exit_status after
// writing output: 0 for status 0; 86 for a refused logon, 67 for an unknown
// host or share, 170 for a busy resource, 1222 when the system has no network
// or no CIFS support; 1208 (extended error) for anything else.
uint32_t cifs_result_code(int exit_status, const std::string& output);

// The helper's message for the extended error: its non-empty lines joined by
// blanks, without the pointer to the manual page.
std::string cifs_error_text(const std::string& output);

// Mounts with the CIFS helper: fork and execve, never a shell. The helper
// gets /dev/null as input, no controlling terminal (so it cannot wait for a
// typed password), and an environment of its own: a fixed PATH, LC_ALL=C,
// and USER and PASSWD only when the caller passes them. Credentials never
// appear on its command line. Its standard output and error are captured
// (never reaching this program's output) and become the extended error.
//
// local must be an existing folder (else 1200) that is not already a mount
// point (else 85, which callers take as connected); the helper must exist
// and be executable (else 1222).
class CifsMountConnector : public NetworkConnector {
 public:
  // Looks for mount.cifs in /sbin and /usr/sbin on every connection.
  CifsMountConnector() = default;
  // Runs the program at helper_path instead (tests run a recording fake).
  explicit CifsMountConnector(std::string helper_path) : helper_path_(std::move(helper_path)) {}

  uint32_t add_connection(const std::string& local, const std::string& remote,
                          const std::optional<std::string>& user,
                          const std::optional<std::string>& password) override;

  // The message of the last helper run, with "CIFS" as the provider and the
  // helper's error number (or exit status) as the provider's code. Always 0.
  uint32_t last_extended_error(uint32_t* provider_code, std::string* text, size_t text_size,
                               std::string* provider, size_t provider_size) override;

 private:
  std::string find_helper() const;

  const std::string helper_path_;
  std::string last_text_;
  uint32_t last_code_ = 0;
};

}  // namespace kx::platform

#endif  // KX_PLATFORM_POSIX_NETWORK_POSIX_H_
