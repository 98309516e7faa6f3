#include "views/statisticsview.h"

// The message of a failed page fetch (declared with the view that shows it).
QString RefreshFailureText(const RefreshResult& outcome) {
    QStringList hosts;
    for (const QString& failure : outcome.failures) {
        const qsizetype cut = failure.indexOf(QStringLiteral(": can't "));
        const QString reason = cut < 0 ? QString() : failure.mid(cut + 2);
        if (!reason.startsWith(QStringLiteral("can't connect")) &&
            !reason.startsWith(QStringLiteral("can't resolve"))) {
            return outcome.message;
        }
        hosts << failure.left(cut);
    }
    if (hosts.isEmpty()) {
        return outcome.message;
    }
    return QStringLiteral("No statistics service answered at %1. The statistics come from "
                          "bbstatsd, the statistics service: start it (./run does, or "
                          "\"bbstatsd serve --db lahman.db\"), then scroll or repeat the "
                          "command.\n\n%2")
        .arg(hosts.join(QStringLiteral(", ")), outcome.message);
}
