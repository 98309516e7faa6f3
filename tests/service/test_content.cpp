// The shipped content folder: every published file is there, and the version and ad files have
// the shapes the program reads; so do the example news files a partner's folder may add.

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QtTest>

#include "service/contentstore.h"

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

} // namespace

class TestContent : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void versionTableHasDefaultSite();
    void adSettingsRowIsActive();
    void updateTextHasFourLines();
    void tickerHeadlinesHaveOneSummary_data();
    void tickerHeadlinesHaveOneSummary();
    void homePageArticles();
    void bannersAreGifs();
    void missingFolderIsNamed();

private:
    std::unique_ptr<bbstatsd::ContentStore> m_store;
    std::unique_ptr<bbstatsd::ContentStore> m_news; // service/examples: news/*
    const std::string SiteId = "http://127.0.0.1:8461/";
};

void TestContent::initTestCase() {
    const QByteArray source = qgetenv("BBSTATS_SOURCE_DIR");
    QVERIFY(!source.isEmpty());
    m_store = std::make_unique<bbstatsd::ContentStore>(source.toStdString() + "/service/content");
    m_news = std::make_unique<bbstatsd::ContentStore>(source.toStdString() + "/service/examples");
}

void TestContent::versionTableHasDefaultSite() {
    const auto lines = linesOf(*m_store->file("versions.txt"));
    QCOMPARE(lines.size() % 3, std::size_t(0));
    bool found = false;
    for (std::size_t r = 0; r + 2 < lines.size(); r += 3) {
        found = found || (lines[r] == "1" && lines[r + 1] == SiteId && lines[r + 2] == "1.0");
    }
    QVERIFY(found);
}

void TestContent::adSettingsRowIsActive() {
    const auto lines = linesOf(*m_store->file("adsettings.txt"));
    QCOMPARE(lines.size() % 6, std::size_t(0));
    QCOMPARE(lines[0], SiteId);
    QCOMPARE(lines[2], std::string("2"));
    QCOMPARE(lines[3], std::string("http://127.0.0.1:8461/ads/banner.gif?n={"));
    QVERIFY(lines[4].find('{') != std::string::npos);
    QCOMPARE(lines[5], std::string("1"));
}

void TestContent::updateTextHasFourLines() {
    const auto lines = linesOf(*m_store->file("baseballout.txt"));
    QCOMPARE(lines.size(), std::size_t(4));
    QCOMPARE(lines[3], std::string("<URL>"));
}

void TestContent::tickerHeadlinesHaveOneSummary_data() {
    QTest::addColumn<QString>("list");
    QTest::newRow("today") << "news/todaysArticles.txt";
    QTest::newRow("yesterday") << "news/yesterDaysArticles.txt";
}

// Each entry is a marker line and a headline; the headline occurs once on the summary page,
// followed by a line holding its summary between the markers the program cuts at.
void TestContent::tickerHeadlinesHaveOneSummary() {
    QFETCH(QString, list);
    const auto lines = linesOf(*m_news->file(list.toStdString()));
    const std::string& page = *m_news->file("news/content.html");
    const auto pageLines = linesOf(page);
    // The program never looks for the list's last line on the summary page, so the list ends
    // with a line that is no entry.
    QVERIFY(lines.size() >= 3);
    QCOMPARE(lines.size() % 2, std::size_t(1));
    QCOMPARE(lines.back(), std::string("^^end"));
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        const std::string& marker = lines[i];
        QVERIFY2(marker.starts_with("^^setURL(http://127.0.0.1:8461/article.asp?id="),
                 marker.c_str());
        QCOMPARE(marker.back(), ')');
        const std::string& headline = lines[i + 1];
        QVERIFY(!headline.empty());
        QCOMPARE(occurrences(page, headline), 1);
        for (std::size_t k = 0; k + 1 < pageLines.size(); ++k) {
            if (pageLines[k].find(headline) != std::string::npos) {
                const std::string& next = pageLines[k + 1];
                const auto start = next.find("VERDANA\">");
                QVERIFY(start != std::string::npos);
                QVERIFY(next.find("</FONT>", start) > start + 9);
                QVERIFY(k + 2 < pageLines.size()); // the last page line is never read
            }
        }
    }
}

void TestContent::homePageArticles() {
    const auto lines = linesOf(*m_news->file("news/home.html"));
    int articles = 0;
    for (std::size_t k = 0; k + 1 < lines.size(); ++k) {
        if (lines[k].find("<a href=\"/article.asp") == std::string::npos) {
            continue;
        }
        ++articles;
        QVERIFY(lines[k].find("<B>") != std::string::npos);
        QVERIFY(lines[k].find("</B>") != std::string::npos);
        QVERIFY(lines[k + 1].find("VERDANA\">") != std::string::npos);
        QVERIFY(lines[k + 1].find("</FONT>") != std::string::npos);
    }
    QCOMPARE(articles, 12);
    QVERIFY(lines.back().find("article.asp") == std::string::npos);
}

void TestContent::bannersAreGifs() {
    const auto names = m_store->namesUnder("ads/", ".gif");
    QCOMPARE(names.size(), std::size_t(3));
    for (const std::string& name : names) {
        const std::string& bytes = *m_store->file(name);
        QVERIFY(bytes.starts_with("GIF89a") || bytes.starts_with("GIF87a"));
        // Logical screen 468 x 60, little-endian.
        QCOMPARE(static_cast<unsigned char>(bytes[6]) + 256 * static_cast<unsigned char>(bytes[7]),
                 468);
        QCOMPARE(static_cast<unsigned char>(bytes[8]) + 256 * static_cast<unsigned char>(bytes[9]),
                 60);
    }
}

void TestContent::missingFolderIsNamed() {
    try {
        bbstatsd::ContentStore store("/nonexistent/content");
        QFAIL("a missing folder was read");
    } catch (const std::runtime_error& error) {
        QCOMPARE(std::string(error.what()),
                 std::string("content folder /nonexistent/content does not exist"));
    }
}

QTEST_GUILESS_MAIN(TestContent)
#include "test_content.moc"
