#pragma once

#include <QByteArray>
#include <QString>

#include "databases/databaseinfo.h"

// The actions reported to the logging script.
enum class UsageEventType { In, Click, UrlClick, MenuClick, ToolClick };

// "IN", "CLICK", "URLCLICK", "MENUCLICK" or "TOOLCLICK".
QString UsageEventTypeText(UsageEventType type);

// The word a database is reported under: "batters", "pitchers", "fielders"
// or "baseballteams".
QString UsageDatabaseWord(DatabaseKind kind);

// The event text: the type, `what` (a database word or an opened URL), the
// site value and `number`, joined by "," with nothing quoted or escaped.
QString UsageEventText(UsageEventType type, const QString& what, const QString& site,
                       qint64 number = 0);

// The "IN" event of a database window that was open `elapsedMs`
// milliseconds: whole seconds, the fraction cut off (negative counts as 0).
QString UsageEventIn(DatabaseKind kind, const QString& site, qint64 elapsedMs);

// The event text as it goes into the query: UTF-8, with CR, LF, space, "#",
// "%", the other control bytes and every byte above 0x7E percent-encoded, so
// the text can neither end the request line nor cut the query. Commas,
// colons, slashes and ampersands stay as they are: the script reads them so.
QByteArray EncodeUsageEventText(const QString& text);

// The logging script's address on `host` ("host:port") with the encoded
// event text as the value of Q.
QString UsageEventUrl(const QString& host, const QString& text);
