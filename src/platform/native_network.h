// The platform's own network connector, defined once in posix/ or win32/.
// The system Env owns one; everything else reaches it through
// platform::env().network_connector() (platform/env.h).
#ifndef KX_PLATFORM_NATIVE_NETWORK_H_
#define KX_PLATFORM_NATIVE_NETWORK_H_

#include <memory>

#include "platform/network.h"

namespace kx::platform {

// A new connector of the running platform.
std::unique_ptr<NetworkConnector> make_native_network_connector();

}  // namespace kx::platform

#endif  // KX_PLATFORM_NATIVE_NETWORK_H_
