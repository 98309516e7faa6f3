// The news site the service makes from the imported data, checked against the data files and
// read the way the client reads it: birthday lists for fixed dates, the summaries the client
// inserts, the baseball page's twelve articles and the article pages they link to, and content
// files that replace generated pages. Needs the imported test database (BBSTATS_TEST_DB).

#include <map>
#include <memory>
#include <set>
#include <string>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "mainwindow/newsparsing.h"
#include "service/contentstore.h"
#include "service/newsroutes.h"
#include "service/newssite.h"
#include "tests/support/csvfields.h"

namespace {

// The rows of a data file, passed one by one to `row` with a getter of a named column.
template <typename Row> void readCsv(const QString& path, Row&& row) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(path));
    const QStringList header = CsvFields(QString::fromUtf8(file.readLine()).trimmed());
    while (!file.atEnd()) {
        const QStringList fields = CsvFields(QString::fromUtf8(file.readLine()).trimmed());
        row([&](const char* name) {
            const qsizetype at = header.indexOf(QLatin1String(name));
            return at >= 0 && at < fields.size() ? fields[at] : QString();
        });
    }
}

struct Born {
    QString name;
    int year;
};

QString address(const QString& root, const std::string& id) {
    return root + "article.asp?player=" + QString::fromStdString(id);
}

} // namespace

class TestNews : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void birthdayListsMatchTheData_data();
    void birthdayListsMatchTheData();
    void homePageHasTwelveArticlesWithPages();
    void contentFilesReplaceGeneratedPages();
    void everyCobrandAddressHasAPage();

private:
    std::unique_ptr<bbstatsd::NewsSite> m_site;
    // Players with a batting or pitching line, by birth month and day.
    std::map<std::pair<int, int>, std::map<std::string, Born>> m_born;
    QString m_source;
};

void TestNews::initTestCase() {
    const QString db = qEnvironmentVariable("BBSTATS_TEST_DB");
    QVERIFY2(QFile::exists(db), "the imported test database is missing (BBSTATS_TEST_DB)");
    m_site = std::make_unique<bbstatsd::NewsSite>(db.toStdString());
    QVERIFY(m_site->hasBirthdays());

    m_source = qEnvironmentVariable("BBSTATS_SOURCE_DIR");
    QString data = qEnvironmentVariable("LAHMAN_DIR");
    if (data.isEmpty()) {
        data = m_source + "/../shared/data/lahman";
    }
    // Everyone with a batting or pitching line (playerID is the first column of both files).
    std::set<QString> played;
    for (const char* name : {"/Batting.csv", "/Pitching.csv"}) {
        QFile file(data + name);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        QVERIFY(file.readLine().startsWith("\"playerID\","));
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            played.insert(QString::fromLatin1(line.left(line.indexOf(',')).replace('"', "")));
        }
    }
    readCsv(data + "/People.csv", [&](const auto& column) {
        const QString id = column("playerID");
        const QString month = column("birthMonth");
        const QString day = column("birthDay");
        if (!played.count(id) || month.isEmpty() || day.isEmpty()) {
            return;
        }
        const QString first = column("nameFirst");
        const QString year = column("birthYear");
        m_born[{month.toInt(), day.toInt()}][id.toStdString()] = {
            first.isEmpty() ? column("nameLast") : first + " " + column("nameLast"),
            year.isEmpty() ? -1 : year.toInt()};
    });
}

void TestNews::birthdayListsMatchTheData_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("expectedToday"); // a headline today's list must hold
    QTest::newRow("February 6") << "2024-02-06"
                                << "Babe Ruth (born 1895)";
    QTest::newRow("leap day of a common year") << "2023-02-28"
                                               << "";
    QTest::newRow("New Year's Day") << "2025-01-01"
                                    << "";
}

// Each list holds exactly the players the data files have born on its day (February 29 births
// join February 28 in a common year), and the client, reading the list and the summary page as
// it does, shows every entry once per round with the link to its article and its own career
// summary as the hint.
void TestNews::birthdayListsMatchTheData() {
    QFETCH(QString, date);
    QFETCH(QString, expectedToday);
    const auto today = bbstatsd::parseNewsDate(date.toStdString());
    QVERIFY(today);
    const QString root = QStringLiteral("http://127.0.0.1:9/");
    const QStringList page = SplitNewsLines(QByteArray::fromStdString(m_site->summaryPage(*today)));
    for (const bool yesterday : {false, true}) {
        const bbstatsd::NewsDate day = yesterday ? bbstatsd::dayBefore(*today) : *today;
        std::map<std::string, Born> expected = m_born[{day.month, day.day}];
        if (day.month == 2 && day.day == 28 && day.year % 4 != 0) {
            expected.merge(std::map<std::string, Born>(m_born[{2, 29}]));
        }
        const auto birthdays = m_site->birthdays(*today, yesterday);
        QVERIFY(!birthdays.empty());
        for (const auto& b : birthdays) {
            const auto it = expected.find(b.player->id);
            QVERIFY2(it != expected.end(), b.player->id.c_str());
            const QString born = it->second.year > 0 ? QString::number(it->second.year) : "?";
            QVERIFY2(
                QString::fromStdString(b.headline).startsWith(it->second.name + " (born " + born),
                b.headline.c_str());
        }
        QCOMPARE(birthdays.size(), expected.size());
        if (!yesterday && !expectedToday.isEmpty()) {
            QVERIFY(std::any_of(birthdays.begin(), birthdays.end(), [&](const auto& b) {
                return QString::fromStdString(b.headline) == expectedToday;
            }));
        }

        QStringList list = SplitNewsLines(
            QByteArray::fromStdString(m_site->tickerList(*today, yesterday, root.toStdString())));
        InsertSummaries(list, page);
        int position = 0;
        for (const auto& b : birthdays) {
            const auto entry = NextTickerEntry(list, position);
            QVERIFY(entry);
            QCOMPARE(entry->link, address(root, b.player->id));
            QCOMPARE(entry->caption, QString::fromStdString(b.headline));
            QVERIFY2(entry->hint.startsWith("Born ") &&
                         entry->hint.endsWith(
                             QString::fromStdString(bbstatsd::NewsSite::careerSummary(*b.player))),
                     qPrintable(entry->hint));
        }
        QCOMPARE(position, 0); // the round is over
    }
    if (date == "2024-02-06") {
        QVERIFY(page.contains("<TR><TD><FONT SIZE=\"1\" FACE=\"VERDANA\">Born February 6, 1895. "
                              "22 seasons, 1914-1935: .342 average, 2,873 hits, 714 home runs; "
                              "as a pitcher 94-46, 2.28 ERA</FONT></TD></TR>"));
    }
}

// The baseball page of the day Hank Aaron first played: first games on this date, then
// all-time leaders, twelve in all, each with a title, a summary and an article page.
void TestNews::homePageHasTwelveArticlesWithPages() {
    const bbstatsd::NewsDate date{2024, 4, 13};
    const ArticleTable articles =
        ScrapeArticles(SplitNewsLines(QByteArray::fromStdString(m_site->homePage(date))));
    QStringList titles;
    for (const NewsArticle& a : articles) {
        QVERIFY2(!a.Title.isEmpty() && !a.Summary.isEmpty(), qPrintable(a.Link));
        QVERIFY2(a.Link.startsWith("/article.asp?"), qPrintable(a.Link));
        const auto page = m_site->articlePage(a.Link.mid(13).toStdString());
        QVERIFY2(page && page->find("<TABLE") != std::string::npos, qPrintable(a.Link));
        titles << a.Title;
    }
    QVERIFY2(titles.contains("First game on this date: Hank Aaron"), qPrintable(titles.join('\n')));
    QVERIFY(titles.filter("First game on this date: ").size() <= 4);
    QCOMPARE(titles.filter(QRegularExpression("^(First game on this date:|Career |Season |Club )"))
                 .size(),
             12);
    // Off season no one played his first game: the leaders fill the page, starting at a place
    // that moves with the date.
    QSet<QString> leaders;
    for (int day = 1; day <= 5; ++day) {
        for (const NewsArticle& a : ScrapeArticles(
                 SplitNewsLines(QByteArray::fromStdString(m_site->homePage({2024, 1, day}))))) {
            leaders.insert(a.Title + " / " + a.Summary);
        }
    }
    QVERIFY(leaders.contains("Career home runs: Barry Bonds / Barry Bonds hit 762 home runs in 22 "
                             "seasons (1986-2007), the most of any player in the data."));
    QVERIFY(leaders.contains("Club wins in a season: 1906 Chicago Cubs / The 1906 Chicago Cubs "
                             "won 116 games and lost 36, the most wins by a club in one season."));
    QVERIFY(leaders.contains("Season home runs: Barry Bonds / Barry Bonds hit 73 home runs in "
                             "2001, the most by any player in one season in the data."));

    const auto ruth = m_site->articlePage("player=ruthba01");
    QVERIFY(ruth);
    QVERIFY(ruth->find("<TR><TD>1927</TD><TD>New York Yankees</TD><TD>AL</TD><TD>151</TD>") !=
            std::string::npos);
    QVERIFY(ruth->find("<H2>Pitching</H2>") != std::string::npos);
    const auto yankees = m_site->articlePage("team=NYA");
    QVERIFY(yankees &&
            yankees->find("<TD>1927</TD><TD>New York Yankees</TD>") != std::string::npos);
    QVERIFY(!m_site->articlePage("player=nobody01"));
    QVERIFY(!m_site->articlePage("team=XXX"));
    QVERIFY(!m_site->articlePage("id=3"));
}

// A content folder holding a news file serves it in place of the generated page; the other
// news paths stay generated.
void TestNews::contentFilesReplaceGeneratedPages() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("news"));
    QFile::copy(m_source + "/service/examples/news/home.html", dir.filePath("news/home.html"));
    const bbstatsd::ContentStore content(dir.path().toStdString());
    bbstatsd::NewsEndpoints news(*m_site, content, [] { return bbstatsd::NewsDate{2024, 2, 6}; });
    news.setSiteRoot("http://127.0.0.1:9/");
    std::map<std::string, bbstatsd::HttpHandler> handlers;
    for (const bbstatsd::HttpRoute& route : news.routes()) {
        QCOMPARE(route.method, std::string("GET"));
        handlers[route.path] = route.handler;
    }
    QCOMPARE(handlers.size(), std::size_t(11));
    auto get = [&](const std::string& path, const std::string& query = {}) {
        bbstatsd::HttpRequest request;
        request.method = "GET";
        request.path = path;
        request.query = query;
        return handlers.at(path)(request);
    };
    QVERIFY(get("/home.asp", "category=Baseball").body == *content.file("news/home.html"));
    QVERIFY(get("/content.asp").body == m_site->summaryPage({2024, 2, 6}));
    const auto today = get("/scroller/dataFiles/todaysArticles.txt");
    QVERIFY(today.body.find("^^setURL(http://127.0.0.1:9/article.asp?player=ruthba01)\r\n"
                            "Babe Ruth (born 1895)\r\n") != std::string::npos);
    QCOMPARE(get("/article.asp", "player=nobody01").status, 404);
    QCOMPARE(get("/article.asp", "player=ruthba01").status, 200);
}

// Every address of the default co-brand block (site identity, download address, header
// links, link-menu entries) on the local service is answered with a page of its own.
void TestNews::everyCobrandAddressHasAPage() {
    QFile description(m_source + "/resources/cobrand.txt");
    QVERIFY(description.open(QIODevice::ReadOnly | QIODevice::Text));
    const QRegularExpression local(R"(http://127\.0\.0\.1:8461(/[^\s|?]*)(\?[^\s|]*)?)");
    QStringList addresses;
    while (!description.atEnd()) {
        const QString line = QString::fromUtf8(description.readLine());
        if (line.startsWith('#') || line.startsWith("Ad")) {
            continue; // the banner templates are not pages
        }
        for (auto m = local.globalMatch(line); m.hasNext();) {
            addresses << m.next().captured(0);
        }
    }
    QVERIFY2(addresses.size() >= 12, qPrintable(addresses.join('\n')));
    const bbstatsd::ContentStore content(m_source.toStdString() + "/service/content");
    bbstatsd::NewsEndpoints news(*m_site, content, [] { return bbstatsd::NewsDate{2024, 2, 6}; });
    std::map<std::string, bbstatsd::HttpHandler> handlers;
    for (const bbstatsd::HttpRoute& route : news.routes()) {
        handlers[route.path] = route.handler;
    }
    std::set<std::string> titles;
    for (const QString& address : addresses) {
        const QRegularExpressionMatch m = local.match(address);
        const std::string path = m.captured(1).toStdString();
        if (path == "/") {
            QVERIFY(content.file("index.html") != nullptr); // the content folder's home page
            continue;
        }
        QVERIFY2(handlers.count(path), qPrintable(address));
        bbstatsd::HttpRequest request;
        request.method = "GET";
        request.path = path;
        request.query = m.captured(2).mid(1).toStdString();
        const bbstatsd::HttpReply reply = handlers.at(path)(request);
        QVERIFY2(reply.status == 200 && reply.body.find("</HTML>") != std::string::npos,
                 qPrintable(address));
        titles.insert(reply.body.substr(0, reply.body.find("</TITLE>")));
    }
    QVERIFY(titles.size() >= 7); // each address its own page
    // The pages hold what their names promise, from the data.
    const std::string batting = m_site->battingLeadersPage();
    QVERIFY(batting.find("<TD><A HREF=\"/article.asp?player=bondsba01\">Barry Bonds</A></TD>"
                         "<TD>1986-2007</TD><TD>762</TD>") != std::string::npos);
    QVERIFY(m_site->pitchingLeadersPage().find(">Cy Young</A></TD><TD>1890-1911</TD><TD>511<") !=
            std::string::npos);
    QVERIFY(m_site->teamsPage().find(">Chicago Cubs</A></TD><TD>CHN</TD>") != std::string::npos);
    QVERIFY(m_site->dataPage().find("<TD>Teams</TD>") != std::string::npos);
    // A club's RA is the runs it allowed (1906 Cubs: 704 scored, 381 allowed), not shutouts.
    const auto cubs = m_site->articlePage("team=CHN");
    QVERIFY(cubs);
    QVERIFY(cubs->find("<TH>R</TH><TH>RA</TH>") != std::string::npos);
    QVERIFY(
        cubs->find("<TD>1906</TD><TD>Chicago Cubs</TD><TD>NL</TD><TD>-</TD><TD>154</TD>"
                   "<TD>116</TD><TD>36</TD><TD>.763</TD><TD>0.0</TD><TD>704</TD><TD>381</TD>") !=
        std::string::npos);
}

QTEST_GUILESS_MAIN(TestNews)
#include "test_news.moc"
