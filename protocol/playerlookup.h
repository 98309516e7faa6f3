#pragma once

#include <array>
#include <optional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include "protocol/pagefetcher.h"

class THttpCli;

// One line of a player search: the data's player code, "Last, First", the span of his seasons
// ("1914-1935"), the tables he has rows in ("B", "P", "F"), his fielding positions, birth year,
// games, and his pick-list label in the batters, pitchers and fielders lists (empty where he has
// no rows).
struct PlayerMatch {
    QString id;
    QString name;
    QString years;
    QString tables;
    QString positions;
    QString born;
    qint64 games = 0;
    std::array<QString, 3> labels;

    // The label of table 0 batters, 1 pitchers, 2 fielders; empty for another number.
    QString label(int table) const;
};

// A player's facts as the service names them, in its order ("ID", "Name", "Given", "Born", ...).
struct PlayerFacts {
    QList<std::pair<QString, QString>> entries;

    // The value of key; empty when absent.
    QString value(const QString& key) const;
};

// Most bytes a search text may have (UTF-8); the service refuses longer ones.
inline constexpr qsizetype MaxPlayerSearchBytes = 200;

// The path of a search for text: "/players?q=" and the text form-encoded as UTF-8 (a blank is
// "+", every byte but letters, digits and "-._~" a percent escape); control characters become
// blanks.
QString PlayerSearchPath(const QString& text);
// The path of a player's facts: "/player/" and the code.
QString PlayerFactsPath(const QString& playerId);

// The lines of a search reply; lines without a code and a name are skipped.
std::vector<PlayerMatch> ParsePlayerMatches(const QByteArray& reply);
// The KEY TAB VALUE lines of a facts reply; lines without a tab are skipped.
PlayerFacts ParsePlayerFacts(const QByteArray& reply);

// "Born 1895-02-06 in Baltimore, MD, USA; died 1948-08-16 (aged 53) in New York, NY, USA" as far
// as the facts know, the age from the full birth date to the death date, else to `today`.
QString LifeText(const PlayerFacts& facts, const QDate& today);
// Whole years from born to `at` (both "YYYY-MM-DD"); nullopt when a date is not whole.
std::optional<int> AgeOn(const QString& born, const QDate& at);

// A GET of `path` on the statistics hosts in the order of the page fail-over (second mirror,
// third mirror, primary host) with `client`; the body of the first host that answers. Nothing
// when none does, or when the client was destroyed while it waited (its owner closed).
std::optional<QByteArray> FetchFromHosts(THttpCli& client, const ServiceHosts& hosts,
                                         const QString& path);
