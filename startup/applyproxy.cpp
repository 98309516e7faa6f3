#include "startup/applyproxy.h"

ProxyRoute ProxyRouteOf(const ProxySettings& settings) {
    if (!settings.ProxyOn) {
        return {};
    }
    return {settings.ProxyHost, settings.ProxyPortText, settings.ProxyUser, settings.ProxyPass};
}

void ApplyProxySettings(const ProxySettings& settings, std::initializer_list<THttpCli*> clients) {
    if (!settings.ProxyOn) {
        return;
    }
    for (THttpCli* client : clients) {
        if (client == nullptr) {
            continue;
        }
        client->setProxyRoute(ProxyRouteOf(settings));
    }
}
