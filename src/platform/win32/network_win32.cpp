// Win32 network connections through the multiple-provider router (mpr).
#include <windows.h>
#include <winnetwk.h>

#include <vector>

#include "platform/native_network.h"

namespace kx::platform {
namespace {

// Reads a buffer that the provider filled, up to its terminating zero; the
// last byte is zeroed first in case a provider filled it to the brim.
std::string buffer_text(std::vector<char>* buffer) {
  buffer->back() = '\0';
  return std::string(buffer->data());
}

class WNetConnector : public NetworkConnector {
 public:
  uint32_t add_connection(const std::string& local, const std::string& remote,
                          const std::optional<std::string>& user,
                          const std::optional<std::string>& password) override {
    // NETRESOURCEA wants writable strings although the call only reads them.
    std::string local_name = local;
    std::string remote_name = remote;
    NETRESOURCEA request = {};
    request.dwScope = 0;
    request.dwType = RESOURCETYPE_DISK;
    request.dwDisplayType = 0;
    request.dwUsage = 0;
    request.lpLocalName = local_name.data();
    request.lpRemoteName = remote_name.data();
    request.lpComment = nullptr;
    request.lpProvider = nullptr;
    return ::WNetAddConnection2A(&request, password ? password->c_str() : nullptr,
                                 user ? user->c_str() : nullptr, CONNECT_REDIRECT);
  }

  uint32_t last_extended_error(uint32_t* provider_code, std::string* text, size_t text_size,
                               std::string* provider, size_t provider_size) override {
    // One spare byte behind each buffer keeps the text terminated whatever
    // the provider writes into the size it was given.
    std::vector<char> text_buffer(text_size + 1, '\0');
    std::vector<char> provider_buffer(provider_size + 1, '\0');
    DWORD code = 0;
    const DWORD result =
        ::WNetGetLastErrorA(&code, text_buffer.data(), static_cast<DWORD>(text_size),
                            provider_buffer.data(), static_cast<DWORD>(provider_size));
    *provider_code = code;
    *text = buffer_text(&text_buffer);
    *provider = buffer_text(&provider_buffer);
    return result;
  }
};

}  // namespace

std::unique_ptr<NetworkConnector> make_native_network_connector() {
  return std::make_unique<WNetConnector>();
}

}  // namespace kx::platform
