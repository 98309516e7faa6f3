#pragma once

#include <QByteArray>
#include <QString>

// The user's proxy answers, as "PROXY.DAT" keeps them. All empty and off
// until loaded.
struct ProxySettings {
    bool ProxyOn = false;
    QString ProxyHost;
    QString ProxyPortText;
    QString ProxyUser;
    QString ProxyPass;

    bool operator==(const ProxySettings&) const = default;
};

// Outcome of loading or saving "PROXY.DAT": empty `error` on success,
// otherwise a message naming the file and what failed.
struct ProxyFileResult {
    ProxySettings settings;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Reads the five-line text: line 1 exactly "TRUE" switches the proxy on,
// lines 2 to 5 are taken whole; missing lines leave their values empty.
ProxySettings ParseProxyFile(const QByteArray& text);

// Writes the five lines, each ended by CR LF.
QByteArray FormatProxyFile(const ProxySettings& settings);

// Reads the file at `path`; fails when it cannot be opened or read.
ProxyFileResult LoadProxySettings(const QString& path);

// Replaces the file at `path` with `settings`: a new file readable and
// writable by its owner only is written and renamed over the old one, so a
// failed save leaves the old file as it was.
ProxyFileResult SaveProxySettings(const QString& path, const ProxySettings& settings);
