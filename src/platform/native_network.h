// The platform's own network connector, defined once in posix/ or win32/.
// Everything else reaches it through network_connector() (platform/network.h).
#ifndef KX_PLATFORM_NATIVE_NETWORK_H_
#define KX_PLATFORM_NATIVE_NETWORK_H_

#include "platform/network.h"

namespace kx::platform {

// The connector of the running platform; lives for the whole process.
NetworkConnector& native_network_connector();

}  // namespace kx::platform

#endif  // KX_PLATFORM_NATIVE_NETWORK_H_
