#include "startup/applyproxy.h"

#include "protocol/httpcli.h"

void ApplyProxySettings(const ProxySettings& settings, std::initializer_list<THttpCli*> clients) {
    if (!settings.ProxyOn) {
        return;
    }
    for (THttpCli* client : clients) {
        if (client == nullptr) {
            continue;
        }
        client->setProxy(settings.ProxyHost);
        client->setProxyPort(settings.ProxyPortText);
        client->setProxyUsername(settings.ProxyUser);
        client->setProxyPassword(settings.ProxyPass);
    }
}
