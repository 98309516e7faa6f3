#include "tests/views/viewtestsupport.h"

#include <cmath>

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTcpServer>

#include "databases/batterrecord.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "databases/teamrecord.h"

namespace {

int linesPerRecord(DatabaseKind kind) {
    switch (kind) {
    case DatabaseKind::Batters:
        return BattersDatabase().layout.linesPerRecord();
    case DatabaseKind::Pitchers:
        return PitchersDatabase().layout.linesPerRecord();
    case DatabaseKind::Fielders:
        return FieldersDatabase().layout.linesPerRecord();
    case DatabaseKind::Teams:
        return TeamsDatabase().layout.linesPerRecord();
    }
    return 0;
}

QByteArray recordLines(DatabaseKind kind, const FakeRow* row) {
    const int nameLine = kind == DatabaseKind::Teams ? 1 : 0;
    const int yearLine = kind == DatabaseKind::Teams ? 4 : 1;
    QByteArray lines;
    for (int k = 0; k < linesPerRecord(kind); ++k) {
        if (row == nullptr) {
            lines += "\r\n";
        } else if (k == nameLine) {
            lines += row->name + "\r\n";
        } else if (k == yearLine) {
            lines += row->year + "\r\n";
        } else {
            lines += "1\r\n";
        }
    }
    return lines;
}

} // namespace

RecordingServer::Responder FakeService(DatabaseKind kind, QList<FakeRow> result,
                                       qint64 statedTotal) {
    const qint64 total = statedTotal >= 0 ? statedTotal : result.size();
    return [kind, result, total](const QByteArray& request) {
        const QByteArray body = RequestBody(request);
        const QList<QByteArray> fields = body.left(body.indexOf("\r\n")).split('!');
        const int top = fields.value(0).toInt();
        const int rows = fields.value(1).toInt();
        if (rows == 0 && !fields.value(2).isEmpty()) {
            // A pick list: the seasons of the result, whatever list was asked.
            QList<QByteArray> years;
            for (const FakeRow& row : result) {
                if (!years.contains(row.year)) {
                    years.append(row.year);
                }
            }
            return HttpReply("200 OK", QByteArray::number(years.size()) + "\r\n" +
                                           years.join("\r\n") + "\r\n*\r\n");
        }
        QByteArray reply = QByteArray::number(total) + "\r\n";
        for (int n = top; n < top + rows; ++n) {
            reply += recordLines(kind, n >= 0 && n < result.size() ? &result[n] : nullptr);
        }
        const FakeRow totals{"TOTALS", ""};
        reply += recordLines(kind, &totals);
        return HttpReply("200 OK", reply);
    };
}

QByteArray RequestBody(const QByteArray& request) {
    return request.mid(request.indexOf("\r\n\r\n") + 4);
}

QByteArray RequestPath(const QByteArray& request) {
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    return words.value(1);
}

QString DeadHost() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return QStringLiteral("127.0.0.1:%1").arg(port);
}

ServiceHosts Hosts(const QString& primary, const QString& mirror2, const QString& mirror3) {
    return ServiceHosts{primary, mirror2, mirror3};
}

MessageBoxCatcher::MessageBoxCatcher() {
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxCatcher::poll);
    m_timer.start(10);
}

void MessageBoxCatcher::poll() {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        if (box->isVisible()) {
            m_texts << box->text();
            box->done(QMessageBox::Ok);
        }
    }
}

void RunLater(int ms, std::function<void()> action) {
    QTimer::singleShot(ms, qApp, std::move(action));
}

bool hasInk(const QImage& image, const QRect& rect, const QColor& color) {
    const int target[3] = {color.red(), color.green(), color.blue()};
    int strongest = 0;
    for (int c = 1; c < 3; ++c) {
        if (255 - target[c] > 255 - target[strongest]) {
            strongest = c;
        }
    }
    const double span = 255 - target[strongest];
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int value[3] = {pixel.red(), pixel.green(), pixel.blue()};
            const double share = (255 - value[strongest]) / span;
            if (share < 0.5) {
                continue;
            }
            bool blend = true;
            for (int c = 0; c < 3; ++c) {
                const double expected = 255 - share * (255 - target[c]);
                blend = blend && std::abs(expected - value[c]) <= 24;
            }
            if (blend) {
                return true;
            }
        }
    }
    return false;
}

QString StartRealService(QProcess& service, const QString& program, const QTemporaryDir& dir,
                         QString* error) {
    const QString db = qEnvironmentVariable("BBSTATS_TEST_DB");
    if (!QFile::exists(db)) {
        *error = QStringLiteral("the imported test database is missing (BBSTATS_TEST_DB)");
        return QString();
    }
    if (!dir.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return QString();
    }
    service.start(program,
                  {QStringLiteral("serve"), QStringLiteral("--db"), db, QStringLiteral("--listen"),
                   QStringLiteral("127.0.0.1:0"), QStringLiteral("--events"),
                   dir.filePath(QStringLiteral("events.db")), QStringLiteral("--log-requests"),
                   dir.filePath(QStringLiteral("requests.log"))});
    if (!service.waitForStarted()) {
        *error = program + QStringLiteral(" did not start");
        return QString();
    }
    // Loading the whole data takes seconds, far longer under the sanitizers.
    static const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
    QString output;
    const QDeadlineTimer deadline(600000);
    while (!deadline.hasExpired() && service.state() == QProcess::Running) {
        service.waitForReadyRead(200);
        output += QString::fromUtf8(service.readAllStandardOutput());
        const QRegularExpressionMatch match = listening.match(output);
        if (match.hasMatch()) {
            return match.captured(1);
        }
    }
    *error = output + QString::fromUtf8(service.readAllStandardError());
    return QString();
}
