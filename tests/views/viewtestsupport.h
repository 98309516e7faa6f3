#pragma once

#include <functional>

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include "databases/databaseinfo.h"
#include "protocol/pagefetcher.h"
#include "tests/protocol/recordingserver.h"
#include "tests/support/csvfields.h"

// One record of a fake result: the fields the grid's tests look at.
struct FakeRow {
    QByteArray name; // player name, or team name for Teams
    QByteArray year;
};

// A statistics service for one database: answers each page request with the
// records of `result` at the requested positions (records past its end are
// sent with every line empty, as the real service does), then a totals record
// named "TOTALS". Other lines carry "1". `statedTotal` (default: the size of
// `result`) is the record count line 0 states. A pick-list request gets the
// seasons of `result`, whatever list it names.
RecordingServer::Responder FakeService(DatabaseKind kind, QList<FakeRow> result,
                                       qint64 statedTotal = -1);

// The body of a recorded HTTP request.
QByteArray RequestBody(const QByteArray& request);
// The request line's path ("/cgi-bin/getbat.exe").
QByteArray RequestPath(const QByteArray& request);

// "127.0.0.1:PORT" with a port nobody listens on.
QString DeadHost();

// Hosts with the primary and both mirrors at `mirror2`, `mirror3`, `primary`.
ServiceHosts Hosts(const QString& primary, const QString& mirror2, const QString& mirror3);

// Watches for application-modal message boxes, records their texts and
// closes each one as soon as it shows.
class MessageBoxCatcher : public QObject {
    Q_OBJECT
public:
    MessageBoxCatcher();
    const QStringList& texts() const { return m_texts; }

private:
    void poll();
    QTimer m_timer;
    QStringList m_texts;
};

// Runs `action` once, `ms` milliseconds from now, from the event loop.
void RunLater(int ms, std::function<void()> action);

// Whether text in `color` was drawn on white inside `rect`: some pixel is a
// blend of white and `color`, at least half of it `color` (glyph edges are
// smoothed, so exact colours are rare).
bool hasInk(const QImage& image, const QRect& rect, const QColor& color);

// Starts the real service (`program`, bbstatsd) over the imported test database
// (BBSTATS_TEST_DB) on a free port of 127.0.0.1, its events file and request
// log ("requests.log") in `dir`. Returns "127.0.0.1:PORT", or an empty text
// with what went wrong in *error.
QString StartRealService(QProcess& service, const QString& program, const QTemporaryDir& dir,
                         QString* error);
