#pragma once

#include <QByteArray>
#include <QString>

class THttpCli;

// The start-up question to the maker's version table: is this copy (its site
// identity and version text) current?
class VersionCheck {
public:
    // Path of the version table on the primary statistics host.
    static QString Path() { return QStringLiteral("/cgi-bin/verread.exe"); }

    // Whether the table text `reply` (three lines per row: "1" when active,
    // site identity, version text) asks the copy `siteId` at `versionText`
    // for an update. The last active row of the site decides, by exact
    // comparison of its version line; no such row asks for an update too; a
    // reply without lines asks for nothing. An incomplete last row is no row.
    static bool RequiresUpdate(const QByteArray& reply, const QString& siteId,
                               const QString& versionText);

    // GETs the table from `primaryHost` with `client` (whose URL stays
    // there) and applies RequiresUpdate. A failed request gives false.
    static bool Run(THttpCli& client, const QString& primaryHost, const QString& siteId,
                    const QString& versionText);
};
