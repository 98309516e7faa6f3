#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// bbstatsd started by a test on a free port of 127.0.0.1, over a tiny
// imported database (three players of 1901-1902) and a copy of the shipped
// content folder in which the test replaces files. Stopped when destroyed.
class TestService {
public:
    // Content files to replace, by path in the content folder; a null
    // QByteArray removes the file.
    using Files = QMap<QString, QByteArray>;

    TestService() = default;
    ~TestService();
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;

    // Starts the service with the shipped content changed by `files`;
    // returns an empty text on success, else what went wrong.
    QString start(const Files& files = {});
    // Stops the service (it is started again by start()).
    void stop();

    // "127.0.0.1:PORT".
    const QString& host() const { return m_host; }
    // The event texts the service stored, oldest first, byte for byte.
    QList<QByteArray> storedEvents() const;
    // The service's request log, one line per request ("GET /path query").
    QStringList requestLog() const;
    // The output of `bbstatsd usage` for the events file.
    QString usageReport() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_host;
    int m_starts = 0;
};

// The FTP receiver of the start-up marker (scripts/ftp-receiver.py,
// pyftpdlib) on a free port of 127.0.0.1 with one account, storing into a
// folder of its own. Stopped when destroyed.
class TestFtpServer {
public:
    TestFtpServer() = default;
    ~TestFtpServer();
    TestFtpServer(const TestFtpServer&) = delete;
    TestFtpServer& operator=(const TestFtpServer&) = delete;

    // Starts the server for `user` with `password`; empty text on success.
    QString start(const QString& user, const QString& password);
    // "127.0.0.1:PORT".
    const QString& host() const { return m_host; }
    // The folder uploads go into.
    QString folder() const { return m_dir.filePath(QStringLiteral("uploads")); }
    // The names of the files uploaded so far.
    QStringList uploads() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_host;
};

// "127.0.0.1:PORT" with a port nobody listens on.
QString UnusedLoopbackHost();
