#include "protocol/playerlookup.h"

#include <QPointer>

#include "protocol/httpcli.h"

namespace {

// The fields of one line ending in LF, without its CR.
QList<QByteArray> tabFields(QByteArray line) {
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line.split('\t');
}

} // namespace

QString PlayerMatch::label(int table) const {
    return table >= 0 && table < 3 ? labels[static_cast<std::size_t>(table)] : QString();
}

QString PlayerFacts::value(const QString& key) const {
    for (const auto& [k, v] : entries) {
        if (k == key) {
            return v;
        }
    }
    return {};
}

QString PlayerSearchPath(const QString& text) {
    // A pasted tab or line break separates words like a blank; the service refuses control
    // characters.
    QString words = text;
    for (QChar& c : words) {
        if (c.category() == QChar::Other_Control) {
            c = QLatin1Char(' ');
        }
    }
    QByteArray encoded = words.toUtf8().toPercentEncoding(" ");
    encoded.replace(' ', '+');
    return QStringLiteral("/players?q=") + QString::fromLatin1(encoded);
}

QString PlayerFactsPath(const QString& playerId) {
    return QStringLiteral("/player/") + QString::fromLatin1(playerId.toUtf8().toPercentEncoding());
}

std::vector<PlayerMatch> ParsePlayerMatches(const QByteArray& reply) {
    std::vector<PlayerMatch> out;
    for (const QByteArray& line : reply.split('\n')) {
        const QList<QByteArray> f = tabFields(line);
        if (f.size() < 2 || f[0].isEmpty() || f[1].isEmpty()) {
            continue;
        }
        auto text = [&](qsizetype i) { return i < f.size() ? QString::fromUtf8(f[i]) : QString(); };
        PlayerMatch m;
        m.id = text(0);
        m.name = text(1);
        m.years = text(2);
        m.tables = text(3);
        m.positions = text(4);
        m.born = text(5);
        m.games = text(6).toLongLong();
        for (int t = 0; t < 3; ++t) {
            m.labels[static_cast<std::size_t>(t)] = text(7 + t);
        }
        out.push_back(std::move(m));
    }
    return out;
}

PlayerFacts ParsePlayerFacts(const QByteArray& reply) {
    PlayerFacts facts;
    for (const QByteArray& line : reply.split('\n')) {
        const QList<QByteArray> f = tabFields(line);
        if (f.size() >= 2 && !f[0].isEmpty()) {
            facts.entries.append({QString::fromUtf8(f[0]), QString::fromUtf8(f[1])});
        }
    }
    return facts;
}

std::optional<int> AgeOn(const QString& born, const QDate& at) {
    const QDate birth = QDate::fromString(born, Qt::ISODate);
    if (!birth.isValid() || !at.isValid() || born.size() != 10) {
        return std::nullopt;
    }
    int years = at.year() - birth.year();
    if (at.month() < birth.month() || (at.month() == birth.month() && at.day() < birth.day())) {
        --years;
    }
    return years;
}

QString LifeText(const PlayerFacts& facts, const QDate& today) {
    const QString born = facts.value(QStringLiteral("Born"));
    const QString died = facts.value(QStringLiteral("Died"));
    QStringList parts;
    if (!born.isEmpty()) {
        QString part = QStringLiteral("Born ") + born;
        const QString place = facts.value(QStringLiteral("BirthPlace"));
        if (!place.isEmpty()) {
            part += QStringLiteral(" in ") + place;
        }
        if (died.isEmpty()) {
            if (const auto age = AgeOn(born, today)) {
                part += QStringLiteral(" (age %1)").arg(*age);
            }
        }
        parts << part;
    }
    if (!died.isEmpty()) {
        QString part = QStringLiteral("died ") + died;
        if (const auto age = AgeOn(born, QDate::fromString(died, Qt::ISODate))) {
            part += QStringLiteral(" (aged %1)").arg(*age);
        }
        const QString place = facts.value(QStringLiteral("DeathPlace"));
        if (!place.isEmpty()) {
            part += QStringLiteral(" in ") + place;
        }
        parts << part;
    }
    return parts.join(QStringLiteral("; "));
}

std::optional<QByteArray> FetchFromHosts(THttpCli& client, const ServiceHosts& hosts,
                                         const QString& path) {
    QPointer<THttpCli> guard(&client);
    client.setProxyRoute(hosts.Proxy);
    for (const QString& host : {hosts.Mirror2, hosts.Mirror3, hosts.Primary}) {
        if (!guard) {
            return std::nullopt;
        }
        if (auto body = FetchBody(client, host + path)) {
            return body;
        }
    }
    return std::nullopt;
}
