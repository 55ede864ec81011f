#include "platform/network.h"

#include "platform/native_network.h"

namespace kx::platform {
namespace {

NetworkConnector*& installed_connector() {
  static NetworkConnector* connector = nullptr;
  return connector;
}

}  // namespace

NetworkConnector& network_connector() {
  NetworkConnector* connector = installed_connector();
  return connector != nullptr ? *connector : native_network_connector();
}

void set_network_connector(NetworkConnector* connector) { installed_connector() = connector; }

}  // namespace kx::platform
