#pragma once

#include <initializer_list>

#include "startup/proxysettings.h"

#include "protocol/httpcli.h"

// The route of the settings: their proxy when it is on, a direct connection
// when it is off.
ProxyRoute ProxyRouteOf(const ProxySettings& settings);

// When the proxy is on, copies its host, port text, user name and password
// into each client (null entries are skipped); when it is off, leaves the
// clients as they are. Settings take effect on a client's next request.
void ApplyProxySettings(const ProxySettings& settings, std::initializer_list<THttpCli*> clients);
