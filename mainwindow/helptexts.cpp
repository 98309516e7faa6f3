#include "mainwindow/helptexts.h"

#include <span>

#include "mainwindow/moredefinitions.h"

namespace {

struct Definition {
    const char* abbreviation;
    const char* meaning; // empty: the line is the abbreviation alone
};

// Every league of the data, with its first and last season.
constexpr const char* Leagues =
    "league: AA 1882-1891, AL 1901-2025, ANL 1929, EAS 1903-1928, ECL 1923-1928, EWL 1932, "
    "FL 1914-1915, IND 1891-1936, INT 1909, NA 1871-1875, NAC 1907-1908, NAL 1937-1948, "
    "NL 1876-2025, NN2 1933-1948, NNL 1920-1931, NSL 1932, PL 1890, UA 1884, WES 1902-1919";

constexpr Definition BatterDefinitions[] = {
    // The four leading columns of a player database carry no explanation.
    {"PLAYER NAME", ""},
    {"YEAR", ""},
    {"TEAM CODE", ""},
    {"TEAM NAME", ""},
    {"LGE", Leagues},
    {"BAT", "R-right handed, L-left handed, S-switch hitter"},
    {"THR", "throws (R,L)"},
    {"G", "games played"},
    {"PA", "plate appearances = AB + BB + HBP + SH + SF"},
    {"AB", "at bats"},
    {"RS", "runs scored"},
    {"H", "hits"},
    {"TB", "total bases = S + 2xD + 3xT + 4xHR"},
    {"S", "singles"},
    {"D", "doubles"},
    {"T", "triples"},
    {"HR", "home runs"},
    {"RBI", "runs batted in"},
    {"AVG", "average = H/AB"},
    {"OB%", "on-base percentage = (H + BB + HBP)/(AB + BB + HBP + SF)"},
    {"SL%", "slugging percentage = (S + 2xD + 3xT + 4xHR)/AB = TB/AB"},
    {"BB", "base on balls (walks)"},
    {"SO", "strikeouts"},
    {"IBB", "intentional base on balls"},
    {"HBP", "hit by pitch"},
    {"SH", "sacrifice hits"},
    {"SF", "sacrifice flies"},
    {"SB", "stolen bases"},
    {"CS", "caught stealing"},
    {"GIDP", "grounded into double plays"},
    {"POS", "positions played (p,c,1b,2b,ss,3b,of,dh,ph,pr)"},
};

constexpr Definition PitcherDefinitions[] = {
    // The four leading columns of a player database carry no explanation.
    {"PLAYER NAME", ""},
    {"YEAR", ""},
    {"TEAM CODE", ""},
    {"TEAM NAME", ""},
    {"LGE", Leagues},
    {"THR", "throws (R-right handed,L-left handed)"},
    {"G", "games played"},
    {"GS", "games started"},
    {"CG", "complete games"},
    {"SHO", "shutouts"},
    {"GF", "games finished"},
    {"SV", "saves"},
    {"WON", "won"},
    {"LOST", "lost"},
    {"ERA", "earned run average"},
    {"IP", "innings pitched"},
    {"BFP", "batters faced pitcher"},
    {"H", "hits"},
    {"R", "runs allowed"},
    {"ER", "earned runs"},
    {"HR", "home runs allowed"},
    {"BB", "base on balls (walks)"},
    {"SO", "strikeouts"},
    {"IBB", "intentional base on balls"},
    {"HB", "hit batters"},
    {"SH", "sacrifice hits"},
    {"SF", "sacrifice flies"},
    {"WP", "wild pitches"},
    {"BK", "balks"},
    {"OPP AVG", "opponents batting average"},
    {"OPP OB%", "opponents on-base percentage = (H + BB + HB)/(BFP - SH)"},
};

constexpr Definition FielderDefinitions[] = {
    // The four leading columns of a player database carry no explanation.
    {"PLAYER NAME", ""},
    {"YEAR", ""},
    {"TEAM CODE", ""},
    {"TEAM NAME", ""},
    {"LGE", Leagues},
    {"POS", "position played (c,p,1b,2b,ss,3b,of)"},
    {"G", "games"},
    {"PO", "putouts"},
    {"AST", "assists"},
    {"ERR", "errors"},
    {"DP", "double plays"},
    {"PB", "passed balls (catchers only)"},
    {"TOT CH", "total chances (PO+AST+ERR)"},
    {"RANGE", "range (PO+AST)/G"},
    {"TCH/G", "total chances per game (PO+AST+ERR)/G"},
    {"FLD%", "fielding percentage (PO+AST)/(PO+AST+ERR)"},
};

constexpr Definition TeamDefinitions[] = {
    {"YEAR", "season"},
    {"TEAM CODE", "team code"},
    {"TEAM NAME", "team name"},
    {"LGE", ""},
    {"DIV", "division"},
    {"G", "games played"},
    {"WON", "games won"},
    {"LOST", "games lost"},
    {"GB", "games behind"},
    {"W-L%", "won/lost percentage"},
    {"HOME WINS", "games won at home"},
    {"HOME LOSS", "games lost at home"},
    {"AWAY WINS", "games won on the road"},
    {"AWAY LOSS", "games lost on the road"},
    {"TPA", "total plate appearances = AB + BB + HBP + SH + SF"},
    {"AB", "at bats"},
    {"RS", "runs scored"},
    {"H", "hits"},
    {"TB", "total bases = S + 2xD + 3xT + 4xHR"},
    {"D", "doubles"},
    {"T", "triples"},
    {"HR", "home runs"},
    {"RBI", "runs batted in"},
    {"AVG", "batting average = H / AB"},
    {"OB%", "on-base percentage = (H + BB + HBP) / (AB + BB + HBP + SF)"},
    {"SL%", "slugging percentage = (S + 2xD + 3xT + 4xHR) / AB"},
    {"BB", "base on balls (walks)"},
    {"IBB", "intentional base on balls"},
    {"HBP", "hit by pitch"},
    {"SO", "strikeouts"},
    {"SAC HITS", "sacrifice hits"},
    {"SAC FLIES", "sacrifice flies"},
    {"SB", "stolen bases"},
    {"CS", "caught stealing"},
    {"GIDP", "grounded into double plays"},
    {"LOB", "runners left on base"},
    {"SHO", "times team shutout"},
    {"CG", "complete games"},
    {"SHO", "shutouts thrown by pitcher"},
    {"RA", "relief appearances"},
    {"SV", "saves"},
    {"ERA", "earned run average"},
    {"IP", "innings pitched"},
    {"OPP HITS", "hits allowed to opponents"},
    {"BFP", "batters faced pitcher"},
    {"OPP AB", "opponents at bats"},
    {"OPP RS", "opponents runs scored"},
    {"OPP ER", "opponents earned runs"},
    {"OPP HR", "opponents home runs"},
    {"OPP BB", "opponents base on balls (walks)"},
    {"OPP IBB", "opponents intentional base on balls"},
    {"OPP HBP", "opponents hit by pitch"},
    {"OPP SO", "opponents strikeouts"},
    {"OPP SACH", "opponents sacrifice hits"},
    {"OPP SACF", "opponents sacrifice flies"},
    {"WP", "wild pitches"},
    {"BK", "balks"},
    {"OPP AVG", "opponents batting average"},
    {"OPP OB%", "opponents on-base percentage = (OPP HITS + OPP BB + OPP HBP) / (BFP - OPP SACH)"},
    {"PO", "putouts"},
    {"AST", "assists"},
    {"ERR", "errors"},
    {"TOT CH", "total chances = PO + AST + ERR"},
    {"DP", "double plays"},
    {"TP", "triple plays"},
    {"PB", "passed balls"},
    {"FA", "fielding average"},
};

struct DefinitionsPage {
    const char* caption;
    const char* heading;
    int width;
    std::span<const Definition> rows;
};

constexpr DefinitionsPage DefinitionsPages[] = {
    {"Help - Stats Definitions - Baseball Batters", "BATTERS DATABASE STATISTICS DEFINITIONS:", 9,
     BatterDefinitions},
    {"Help - Stats Definitions - Baseball Pitchers", "PITCHERS DATABASE STATISTICS DEFINITIONS:", 8,
     PitcherDefinitions},
    {"Help - Stats Definitions - Baseball Fielders", "FIELDERS DATABASE STATISTICS DEFINITIONS:", 8,
     FielderDefinitions},
    {"Help - Stats Definitions - Baseball Teams",
     "BASEBALL TEAMS DATABASE STATISTICS DEFINITIONS:", 10, TeamDefinitions},
};

// Published sources of the historical record, oldest series first.
constexpr const char* DataSources[] = {
    "Beadle's Dime Base-Ball Player, 1860-1881",
    "De Witt's Base Ball Guide, 1868-1885",
    "Spalding's Official Base Ball Guide, 1876-1941",
    "Reach's Official Base Ball Guide, 1883-1939",
    "Who's Who in Baseball, 1912-2016",
    "Baseball Cyclopedia (Ernest J. Lanigan), 1922",
    "The Sporting News Baseball Register, 1940-2007",
    "The Sporting News Official Baseball Guide, 1942-2006",
    "The Baseball Research Journal (SABR), 1972-2025",
    "The Bill James Baseball Abstract, 1977-1988",
    "The Negro Leagues Book (Clark and Lester), 1994",
    "Baseball Encyclopedias:",
    "    The Official Encyclopedia of Baseball (Turkin and Thompson), 1951-1979",
    "    The Baseball Encyclopedia (Macmillan), 1969-1996",
    "    The Sports Encyclopedia: Baseball (Neft and Cohen), 1974-2007",
    "    Total Baseball (Thorn and Palmer), 1989-2004",
    "    The Biographical Encyclopedia of the Negro Baseball Leagues (Riley), 1994",
};

// Longest line of the added definitions and notes; longer ones go on indented lines.
constexpr int HelpLineWidth = 72;

// A row of the figures table: the label, then our figure and the published one, right-aligned.
QString figureLine(const QString& label, const QString& ours, const QString& published) {
    return label.leftJustified(28, QLatin1Char(' ')) + ours.rightJustified(6, QLatin1Char(' ')) +
           published.rightJustified(11, QLatin1Char(' '));
}

} // namespace

QString figureLabel(const moredefinitions::Figure& figure) {
    const QString player = QString::fromLatin1(figure.player);
    const qsizetype comma = player.indexOf(QStringLiteral(", "));
    const QString name =
        comma < 0 ? player : player.mid(comma + 2) + QLatin1Char(' ') + player.left(comma);
    const QString season =
        figure.season > 0 ? QString::number(figure.season) : QStringLiteral("career");
    return name + QLatin1Char(' ') + season + QLatin1Char(' ') + QString::fromLatin1(figure.column);
}

QString dataAttribution() {
    return QStringLiteral("Baseball statistics from the Lahman Baseball Database by Sean Lahman, "
                          "licensed under CC BY-SA 3.0.");
}

QString definitionLine(const QString& abbreviation, const QString& meaning, int width) {
    if (meaning.isEmpty()) {
        return abbreviation;
    }
    const qsizetype padded = std::max<qsizetype>(width, abbreviation.size() + 1);
    return abbreviation.leftJustified(padded, QLatin1Char(' ')) + QStringLiteral("- ") + meaning;
}

HelpText statisticsDefinitions(int database) {
    HelpText text;
    if (database < 0 || database >= static_cast<int>(std::size(DefinitionsPages))) {
        return text;
    }
    const DefinitionsPage& page = DefinitionsPages[database];
    text.caption = QString::fromLatin1(page.caption);
    text.lines.append(QString::fromLatin1(page.heading));
    text.lines.append(QString());
    for (const Definition& row : page.rows) {
        text.lines.append(definitionLine(QString::fromLatin1(row.abbreviation),
                                         QString::fromLatin1(row.meaning), page.width));
    }
    text.lines.append(moreColumnsLines(database));
    return text;
}

QStringList wrappedLines(const QString& lead, const QString& text, int lineWidth,
                         const QString& indent) {
    QStringList lines;
    QString line = lead;
    qsizetype start = lead.size(); // where the words of the line begin
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (line.size() > start && line.size() + 1 + word.size() > lineWidth) {
            lines.append(line);
            line = indent;
            start = indent.size();
        }
        if (line.size() > start) {
            line += QLatin1Char(' ');
        }
        line += word;
    }
    if (line.size() > start) {
        lines.append(line);
    }
    return lines;
}

QStringList moreColumnsLines(int database) {
    QStringList lines;
    if (database < 0 || database >= static_cast<int>(std::size(DefinitionsPages))) {
        return lines;
    }
    const int width = DefinitionsPages[database].width;
    const QString indent(width + 2, QLatin1Char(' '));
    lines << QString()
          << QStringLiteral("WITH \"MORE COLUMNS\" (OPTIONS MENU), AFTER THE COLUMNS ABOVE:")
          << QString();
    for (const moredefinitions::Column& column : moredefinitions::AddedColumns[database]) {
        // The definitions line as far as where its meaning starts.
        const QString lead =
            definitionLine(QString::fromLatin1(column.abbreviation), QStringLiteral("-"), width)
                .chopped(1);
        lines.append(
            wrappedLines(lead, QString::fromLatin1(column.meaning), HelpLineWidth, indent));
    }
    lines << QString();
    lines.append(wrappedLines(QString(), QString::fromLatin1(moredefinitions::Notes[database]),
                              HelpLineWidth, QString()));
    QStringList table;
    for (const moredefinitions::Figure& figure : moredefinitions::Figures) {
        if (figure.database == database) {
            table.append(figureLine(figureLabel(figure), QString::fromLatin1(figure.ours),
                                    QString::fromLatin1(figure.published)));
        }
    }
    if (!table.isEmpty()) {
        lines << QString() << QStringLiteral("OUR FIGURES BESIDE THE PUBLISHED ONES:") << QString()
              << figureLine(QString(), QStringLiteral("OURS"), QStringLiteral("PUBLISHED"));
        lines.append(table);
    }
    return lines;
}

HelpText dataSourcesText() {
    HelpText text;
    text.caption = QStringLiteral("Help - Data Sources");
    text.lines << QString() << QStringLiteral("BASEBALL DATA SOURCES:") << QString();
    for (const char* source : DataSources) {
        text.lines.append(QString::fromLatin1(source));
    }
    text.lines << QString() << dataAttribution();
    return text;
}
