#include "tests/support/testservice.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

#include <sqlite3.h>

namespace {

const QString SourceDir = QStringLiteral(BBSTATS_SOURCE_DIR);
const QString Binary = QStringLiteral(BBSTATSD_PATH);

// The five Lahman files, as small as the importer accepts.
const QMap<QString, QByteArray>& tinyLahman() {
    static const QMap<QString, QByteArray> files = {
        {QStringLiteral("People.csv"),
         "\"playerID\",\"birthYear\",\"nameFirst\",\"nameLast\",\"bats\",\"throws\"\n"
         "\"smithjo01\",1875,\"John\",\"Smith\",\"B\",\"R\"\n"
         "\"oneilti01\",1858,\"Tip\",\"O'Neill\",\"R\",\"R\"\n"},
        {QStringLiteral("Teams.csv"),
         "\"yearID\",\"lgID\",\"teamID\",\"divID\",\"Rank\",\"G\",\"W\",\"L\",\"R\",\"AB\",\"H\","
         "\"X2B\","
         "\"X3B\",\"HR\",\"BB\",\"SO\",\"SB\",\"CS\",\"HBP\",\"SF\",\"RA\",\"ER\",\"CG\",\"SHO\","
         "\"SV\",\"IPouts\",\"HA\",\"HRA\",\"BBA\",\"SOA\",\"E\",\"DP\",\"name\"\n"
         "1901,\"AL\",\"BOS\",,1,140,80,60,700,4800,1300,200,60,30,400,500,100,,,,600,450,100,10,5,"
         "3700,1250,25,380,520,250,100,\"Boston Americans\"\n"
         "1901,\"AL\",\"NYA\",,2,140,70,70,650,4700,1250,190,50,20,380,520,90,,,,640,470,90,8,4,"
         "3690,1290,30,390,500,260,110,\"New York Highlanders\"\n"},
        {QStringLiteral("Batting.csv"),
         "\"playerID\",\"yearID\",\"stint\",\"teamID\",\"lgID\",\"G\",\"AB\",\"R\",\"H\",\"X2B\","
         "\"X3B\",\"HR\",\"RBI\",\"SB\",\"CS\",\"BB\",\"SO\",\"IBB\",\"HBP\",\"SH\",\"SF\","
         "\"GIDP\"\n"
         "\"smithjo01\",1901,1,\"BOS\",\"AL\",120,400,60,120,20,5,10,70,10,,40,30,,5,3,,\n"
         "\"oneilti01\",1901,1,\"NYA\",\"AL\",30,100,10,30,5,1,2,15,1,,10,8,,1,0,,\n"},
        {QStringLiteral("Pitching.csv"),
         "\"playerID\",\"yearID\",\"stint\",\"teamID\",\"lgID\",\"W\",\"L\",\"G\",\"GS\",\"CG\","
         "\"SHO\",\"SV\",\"IPouts\",\"H\",\"ER\",\"HR\",\"BB\",\"SO\",\"IBB\",\"WP\",\"HBP\","
         "\"BK\",\"BFP\",\"GF\",\"R\",\"SH\",\"SF\"\n"
         "\"oneilti01\",1901,1,\"NYA\",\"AL\",20,10,35,30,25,3,1,914,250,60,5,70,120,,4,6,0,1200,"
         "3,90,,\n"},
        {QStringLiteral("Fielding.csv"),
         "\"playerID\",\"yearID\",\"stint\",\"teamID\",\"lgID\",\"POS\",\"G\",\"GS\",\"PO\",\"A\","
         "\"E\",\"DP\",\"PB\"\n"
         "\"smithjo01\",1901,1,\"BOS\",\"AL\",\"1B\",20,,150,10,2,12,\n"
         "\"oneilti01\",1901,1,\"NYA\",\"AL\",\"P\",35,30,10,60,3,1,\n"},
    };
    return files;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

bool copyFolder(const QString& from, const QString& to) {
    QDirIterator files(from, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(source, target)) {
            return false;
        }
    }
    return true;
}

// Stops a child process: SIGTERM, then SIGKILL when it lingers.
void stopProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// Waits for "listening on HOST:PORT" on the process's output; the address
// or an empty text.
QString awaitListening(QProcess& process, QString& output) {
    static const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
    QRegularExpressionMatch match;
    (void)QTest::qWaitFor(
        [&] {
            output += QString::fromUtf8(process.readAllStandardOutput());
            match = listening.match(output);
            return match.hasMatch() || process.state() == QProcess::NotRunning;
        },
        60000);
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace

TestService::~TestService() {
    stop();
}

void TestService::stop() {
    stopProcess(m_process);
}

QString TestService::start(const Files& files) {
    if (!m_dir.isValid()) {
        return QStringLiteral("no temporary folder");
    }
    stop();
    const QString db = m_dir.filePath(QStringLiteral("tiny.db"));
    if (!QFile::exists(db)) {
        const QString csv = m_dir.filePath(QStringLiteral("lahman"));
        for (auto it = tinyLahman().begin(); it != tinyLahman().end(); ++it) {
            if (!writeFile(csv + QLatin1Char('/') + it.key(), it.value())) {
                return QStringLiteral("cannot write ") + it.key();
            }
        }
        QProcess import;
        import.setProcessChannelMode(QProcess::MergedChannels);
        import.start(Binary, {QStringLiteral("import"), csv, db});
        if (!import.waitForFinished(120000) || import.exitCode() != 0) {
            return QStringLiteral("import failed: ") + QString::fromUtf8(import.readAll());
        }
    }
    // A fresh content folder per start.
    const QString content = m_dir.filePath(QStringLiteral("content%1").arg(++m_starts));
    if (!copyFolder(SourceDir + QStringLiteral("/service/content"), content)) {
        return QStringLiteral("cannot copy the content folder");
    }
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = content + QLatin1Char('/') + it.key();
        if (it.value().isNull()) {
            QFile::remove(path);
        } else if (!writeFile(path, it.value())) {
            return QStringLiteral("cannot write ") + path;
        }
    }
    m_process.start(
        Binary, {QStringLiteral("serve"), QStringLiteral("--db"), db, QStringLiteral("--listen"),
                 QStringLiteral("127.0.0.1:0"), QStringLiteral("--content"), content,
                 QStringLiteral("--events"), m_dir.filePath(QStringLiteral("events.db")),
                 QStringLiteral("--log-requests"), m_dir.filePath(QStringLiteral("requests.log"))});
    if (!m_process.waitForStarted()) {
        return QStringLiteral("bbstatsd did not start");
    }
    QString output;
    m_host = awaitListening(m_process, output);
    if (m_host.isEmpty()) {
        return QStringLiteral("bbstatsd is not listening: ") + output +
               QString::fromUtf8(m_process.readAllStandardError());
    }
    return QString();
}

QList<QByteArray> TestService::storedEvents() const {
    QList<QByteArray> texts;
    sqlite3* db = nullptr;
    const QByteArray path = m_dir.filePath(QStringLiteral("events.db")).toUtf8();
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* rows = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT text FROM events ORDER BY id", -1, &rows, nullptr) ==
            SQLITE_OK) {
            while (sqlite3_step(rows) == SQLITE_ROW) {
                texts.append(QByteArray(static_cast<const char*>(sqlite3_column_blob(rows, 0)),
                                        sqlite3_column_bytes(rows, 0)));
            }
        }
        sqlite3_finalize(rows);
    }
    sqlite3_close(db);
    return texts;
}

QStringList TestService::requestLog() const {
    QFile file(m_dir.filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString TestService::usageReport() const {
    QProcess usage;
    usage.start(Binary, {QStringLiteral("usage"), QStringLiteral("--events"),
                         m_dir.filePath(QStringLiteral("events.db"))});
    usage.waitForFinished(60000);
    return QString::fromUtf8(usage.readAllStandardOutput());
}

TestFtpServer::~TestFtpServer() {
    stopProcess(m_process);
}

QString TestFtpServer::start(const QString& user, const QString& password) {
    if (!m_dir.isValid() || !QDir().mkpath(folder())) {
        return QStringLiteral("no temporary folder");
    }
    // Its log goes to a file, so a full pipe never stalls it.
    const QString log = m_dir.filePath(QStringLiteral("ftp.log"));
    m_process.setStandardErrorFile(log);
    // Debian's interpreter, which has python3-pyftpdlib. The password goes through the
    // environment, as the receiver takes it, never its command line.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("BBSTATS_FTP_PASSWORD"), password);
    m_process.setProcessEnvironment(environment);
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {SourceDir + QStringLiteral("/scripts/ftp-receiver.py"),
                     QStringLiteral("127.0.0.1:0"), user, folder()});
    if (!m_process.waitForStarted()) {
        return QStringLiteral("/usr/bin/python3 did not start");
    }
    QString output;
    m_host = awaitListening(m_process, output);
    if (m_host.isEmpty()) {
        QFile errors(log);
        errors.open(QIODevice::ReadOnly);
        return QStringLiteral("the FTP receiver is not listening (python3-pyftpdlib missing?): ") +
               output + QString::fromUtf8(errors.readAll());
    }
    return QString();
}

QStringList TestFtpServer::uploads() const {
    return QDir(folder()).entryList(QDir::Files, QDir::Name);
}

QString UnusedLoopbackHost() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const quint16 port = server.serverPort();
    server.close();
    return QStringLiteral("127.0.0.1:%1").arg(port);
}
