#pragma once

#include <initializer_list>

#include "startup/proxysettings.h"

class THttpCli;

// When the proxy is on, copies its host, port text, user name and password
// into each client (null entries are skipped); when it is off, leaves the
// clients as they are. Settings take effect on a client's next request.
void ApplyProxySettings(const ProxySettings& settings, std::initializer_list<THttpCli*> clients);
