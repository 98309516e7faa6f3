#include "bench/benchservice.h"

#include <algorithm>
#include <cstdio>

#include <QFile>
#include <QRegularExpression>
#include <QTest>

BenchOptions ParseBenchOptions(const QStringList& args, int defaultRounds) {
    BenchOptions options{QStringLiteral(BBSTATS_BENCH_DB), QStringLiteral(BBSTATS_BENCH_SERVICE),
                         qEnvironmentVariable("LAHMAN_DIR", QStringLiteral(BBSTATS_BENCH_DATA)),
                         defaultRounds};
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--db")) {
            options.db = args[i + 1];
        } else if (args[i] == QLatin1String("--service")) {
            options.service = args[i + 1];
        } else if (args[i] == QLatin1String("--data")) {
            options.data = args[i + 1];
        } else if (args[i] == QLatin1String("--rounds")) {
            options.rounds = std::max(3, args[i + 1].toInt());
        }
    }
    return options;
}

QString StartBenchService(QProcess& process, const BenchOptions& options,
                          const QStringList& extra) {
    if (!QFile::exists(options.db)) {
        std::printf("importing %s into %s ...\n", qPrintable(options.data), qPrintable(options.db));
        if (QProcess::execute(options.service,
                              {QStringLiteral("import"), options.data, options.db}) != 0) {
            return QString();
        }
    }
    QStringList args{QStringLiteral("serve"),
                     QStringLiteral("--db"),
                     options.db,
                     QStringLiteral("--listen"),
                     QStringLiteral("127.0.0.1:0"),
                     QStringLiteral("--events"),
                     options.db + QStringLiteral("-bench-events.db")};
    args += extra;
    process.start(options.service, args);
    if (!process.waitForStarted()) {
        return QString();
    }
    static const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
    QString output;
    const bool up = QTest::qWaitFor(
        [&] {
            output += QString::fromUtf8(process.readAllStandardOutput());
            return listening.match(output).hasMatch() || process.state() != QProcess::Running;
        },
        600000);
    const QRegularExpressionMatch match = listening.match(output);
    if (!up || !match.hasMatch()) {
        std::fprintf(stderr, "%s%s\n", qPrintable(output),
                     process.readAllStandardError().constData());
        return QString();
    }
    return match.captured(1);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double MsSince(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}
