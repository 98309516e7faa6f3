// The header's pure cores: scraping the baseball page, inserting the ticker summaries, the two
// rotations and the demonstration samples.

#include <QtTest>

#include "mainwindow/demosamples.h"
#include "mainwindow/newsparsing.h"

namespace {

const QString M1 = QStringLiteral("^^setURL(http://news/a1)");
const QString M2 = QStringLiteral("^^setURL(http://news/a2)");
const QString End = QStringLiteral("^^end");

QString linkLine(int n, const QString& title) {
    return QStringLiteral("<TR><TD><a href=\"/article.asp?id=%1\"><B>%2</B></a></TD></TR>")
        .arg(n)
        .arg(title);
}

QString summaryLine(const QString& summary) {
    return QStringLiteral("<TR><TD><FONT SIZE=\"1\" FACE=\"VERDANA\">%1</FONT></TD></TR>")
        .arg(summary);
}

// The filled articles as "title|link|summary".
QStringList filled(const ArticleTable& table) {
    QStringList out;
    for (const NewsArticle& a : table) {
        if (!a.Title.isEmpty() || !a.Link.isEmpty() || !a.Summary.isEmpty()) {
            out << a.Title + QLatin1Char('|') + a.Link + QLatin1Char('|') + a.Summary;
        }
    }
    return out;
}

} // namespace

class TestNewsCore : public QObject {
    Q_OBJECT
private slots:
    void splitsLines();
    void scrapesArticles_data();
    void scrapesArticles();
    void insertsSummaries_data();
    void insertsSummaries();
    void tickerRotation_data();
    void tickerRotation();
    void headlineRotationAndAddresses();
    void demoSamples();
};

void TestNewsCore::splitsLines() {
    QCOMPARE(SplitNewsLines("a\r\nb\nc\rd\r\n"), QStringList({"a", "b", "c", "d"}));
    QCOMPARE(SplitNewsLines("\r\n\r\nx"), QStringList({"", "", "x"}));
    QCOMPARE(SplitNewsLines(""), QStringList());
    QCOMPARE(SplitNewsLines("S\xc3\xa1nchez"), QStringList({QStringLiteral("S\u00e1nchez")}));
    // Not UTF-8: single-byte text.
    QCOMPARE(SplitNewsLines("S\xe1nchez"), QStringList({QStringLiteral("S\u00e1nchez")}));
}

void TestNewsCore::scrapesArticles_data() {
    QTest::addColumn<QStringList>("page");
    QTest::addColumn<QStringList>("articles");

    QTest::newRow("title and summary, any case")
        << QStringList{"<HTML>",
                       "<a href=\"/article.asp?id=1\" class=x><b>First</b></a>",
                       "<font face=\"verdana\">One sum</font>",
                       linkLine(2, "Second"),
                       summaryLine("Two sum"),
                       "</HTML>"}
        << QStringList{"First|/article.asp?id=1|One sum", "Second|/article.asp?id=2|Two sum"};
    QTest::newRow("missing title end")
        << QStringList{"<a href=\"/article.asp?id=1\"><B>No end</a>", summaryLine("S"), "x"}
        << QStringList{"|/article.asp?id=1|S"};
    QTest::newRow("title on the next line")
        << QStringList{"<a href=\"/article.asp?id=1\">", "<B>Next</B></a>", summaryLine("S"), "x"}
        << QStringList{"Next|/article.asp?id=1|S"};
    QTest::newRow("missing link end")
        << QStringList{"<a href=\"/article.asp?id=1 <B>T</B>", summaryLine("S"), "x"}
        << QStringList{"T||S"};
    QTest::newRow("summary start missing to the end")
        << QStringList{linkLine(1, "A"), "</TABLE>", "</BODY>"}
        << QStringList{"A|/article.asp?id=1|"};
    // The search for a summary runs over the next article's link, which is then not read.
    QTest::newRow("summary start missing before the next article")
        << QStringList{linkLine(1, "A"), linkLine(2, "B"), summaryLine("SB"), "x"}
        << QStringList{"A|/article.asp?id=1|SB"};
    QTest::newRow("summary end missing")
        << QStringList{linkLine(1, "A"), "<FONT FACE=\"VERDANA\">cut off", "x"}
        << QStringList{"A|/article.asp?id=1|"};
    QTest::newRow("link on the last line")
        << QStringList{linkLine(1, "A"), summaryLine("S"), linkLine(2, "Last")}
        << QStringList{"A|/article.asp?id=1|S"};
    QTest::newRow("lower-case link start is not a link")
        << QStringList{"<A HREF=\"/article.asp?id=1\"><B>A</B></A>", summaryLine("S"), "x"}
        << QStringList{};
    QTest::newRow("empty page") << QStringList{} << QStringList{};

    QStringList thirteen{"<TABLE>"};
    QStringList twelve;
    for (int n = 1; n <= 13; ++n) {
        thirteen << linkLine(n, QStringLiteral("T%1").arg(n)) << summaryLine(QString::number(n));
        if (n <= 12) {
            twelve << QStringLiteral("T%1|/article.asp?id=%1|%1").arg(n);
        }
    }
    thirteen << "</TABLE>";
    QTest::newRow("13 article links") << thirteen << twelve;
}

void TestNewsCore::scrapesArticles() {
    QFETCH(QStringList, page);
    QFETCH(QStringList, articles);
    QCOMPARE(filled(ScrapeArticles(page)), articles);
}

void TestNewsCore::insertsSummaries_data() {
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QStringList>("page");
    QTest::addColumn<QStringList>("result");

    const QStringList page{"<HTML>",
                           "<TR><TD><B>Alpha</B></TD></TR>",
                           "<TR><TD><FONT FACE=\"VERDANA\">Sum A</FONT></TD></TR>",
                           "<TR><TD><B>Beta</B></TD></TR>",
                           "<TR><TD><FONT FACE=\"VERDANA\">Sum B starts",
                           " and ends</FONT></TD></TR>",
                           "</HTML>"};
    QTest::newRow("each headline its summary, joined over two lines")
        << QStringList{M1, "Alpha", M2, "Beta", End} << page
        << QStringList{M1, "Alpha", "Sum A", M2, "Beta", "Sum B starts and ends", End};
    QTest::newRow("a headline without a summary")
        << QStringList{M1, "Gamma", M2, "Beta", End} << page
        << QStringList{M1, "Gamma", M2, "Beta", "Sum B starts and ends", End};
    QTest::newRow("the last list line is never matched")
        << QStringList{M1, "Alpha"} << page << QStringList{M1, "Alpha"};
    QTest::newRow("no summary line after the match")
        << QStringList{M1, "Beta", End} << QStringList{"<B>Beta</B>", "no summary", "</HTML>"}
        << QStringList{M1, "Beta", End};
    QTest::newRow("empty lines never match")
        << QStringList{"", M1, "", End} << page << QStringList{"", M1, "", End};
    QTest::newRow("empty list") << QStringList{} << page << QStringList{};
    QTest::newRow("empty page") << QStringList{M1, "Alpha", End} << QStringList{}
                                << QStringList{M1, "Alpha", End};
    // Once a summary is inserted, the rest of the list is matched against it.
    QTest::newRow("a summary that names the next headline")
        << QStringList{M1, "Alpha", M2, "Beta", End}
        << QStringList{"<B>Alpha</B>", "VERDANA\">Alpha and Beta</FONT>", "VERDANA\">second</FONT>",
                       "x"}
        << QStringList{M1, "Alpha", "Alpha and Beta", M2, "Beta", "second", End};
}

void TestNewsCore::insertsSummaries() {
    QFETCH(QStringList, list);
    QFETCH(QStringList, page);
    QFETCH(QStringList, result);
    InsertSummaries(list, page);
    QCOMPARE(list, result);
}

void TestNewsCore::tickerRotation_data() {
    QTest::addColumn<QStringList>("list");
    // What each of five steps shows ("caption|hint|link", "-" for nothing) and the position
    // after it.
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QList<int>>("positions");

    QTest::newRow("empty list") << QStringList{} << QStringList{"-", "-", "-", "-", "-"}
                                << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("one entry") << QStringList{M1, "A", "Sum A"}
                               << QStringList{"A|Sum A|http://news/a1", "A|Sum A|http://news/a1",
                                              "A|Sum A|http://news/a1", "A|Sum A|http://news/a1",
                                              "A|Sum A|http://news/a1"}
                               << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("two entries wrap")
        << QStringList{M1, "A", "Sum A", M2, "B", "Sum B", End}
        << QStringList{"A|Sum A|http://news/a1", "B|Sum B|http://news/a2", "A|Sum A|http://news/a1",
                       "B|Sum B|http://news/a2", "A|Sum A|http://news/a1"}
        << QList<int>{3, 0, 3, 0, 3};
    // An entry without its summary shows the next marker as its hint; the next step finds
    // nothing and starts over.
    QTest::newRow("entry without a summary")
        << QStringList{M1, "A", M2, "B", "Sum B", End}
        << QStringList{"A|" + M2 + "|http://news/a1", "-", "A|" + M2 + "|http://news/a1", "-",
                       "A|" + M2 + "|http://news/a1"}
        << QList<int>{3, 0, 3, 0, 3};
    QTest::newRow("marker without its two lines")
        << QStringList{M1, "A", "Sum A", M2, "B"}
        << QStringList{"A|Sum A|http://news/a1", "-", "A|Sum A|http://news/a1", "-",
                       "A|Sum A|http://news/a1"}
        << QList<int>{3, 0, 3, 0, 3};
    QTest::newRow("bare marker") << QStringList{"^^setURL", "A", "S", End}
                                 << QStringList{"A|S|", "A|S|", "A|S|", "A|S|", "A|S|"}
                                 << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("no marker at all")
        << QStringList{"x", "y", "z"} << QStringList{"-", "-", "-", "-", "-"}
        << QList<int>{0, 0, 0, 0, 0};
}

void TestNewsCore::tickerRotation() {
    QFETCH(QStringList, list);
    QFETCH(QStringList, shown);
    QFETCH(QList<int>, positions);
    int position = 0;
    for (int step = 0; step < 5; ++step) {
        const auto entry = NextTickerEntry(list, position);
        const QString got =
            entry ? entry->caption + QLatin1Char('|') + entry->hint + QLatin1Char('|') + entry->link
                  : QStringLiteral("-");
        QCOMPARE(got, shown[step]);
        QCOMPARE(position, positions[step]);
    }
}

void TestNewsCore::headlineRotationAndAddresses() {
    int index = 0;
    QList<int> labels;
    QList<int> indices;
    for (int step = 0; step < 14; ++step) {
        index = NextArticleIndex(index);
        indices << index;
        labels << ArticleLabelFor(index);
    }
    QCOMPARE(indices, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 1, 2}));
    QCOMPARE(labels, (QList<int>{0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1}));

    const QString joined = QStringLiteral("http://h:1/article.asp?id=2");
    QCOMPARE(ArticleAddress("http://h:1/", "/article.asp?id=2"), joined);
    QCOMPARE(ArticleAddress("http://h:1", "/article.asp?id=2"), joined);
    QCOMPARE(ArticleAddress("http://h:1", "article.asp?id=2"), joined);
}

void TestNewsCore::demoSamples() {
    QList<int> order;
    int step = 0;
    for (int i = 0; i < 6; ++i) {
        step = NextDemoStep(step);
        order << step;
    }
    QCOMPARE(order, (QList<int>{1, 2, 3, 4, 0, 1}));

    const QString root = QStringLiteral("http://127.0.0.1:9/");
    CoBrandConfig config;
    config.SiteId = QStringLiteral("site");
    config.LinkMenu2Enabled = true;
    config.LinkMenu2 = {{QStringLiteral("M"), QString()}};
    ApplyDemoSample(0, config, root);
    QCOMPARE(config.WindowTitle,
             QStringLiteral("The All Time Baseball Statistics Database for the Internet"));
    QCOMPARE(config.HeaderColor, QColor(Qt::white));
    QCOMPARE(int(config.HeaderHeight), 60);
    QVERIFY(config.HeaderEnabled && config.LinkMenu1Enabled && !config.LinkMenu2Enabled);
    QVERIFY(config.LinkMenu2.isEmpty());
    QCOMPARE(config.LinkFont.family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(config.LinkFont.pointSize(), 10);
    QVERIFY(config.LinkFont.underline() && !config.LinkFont.bold());
    QCOMPARE(config.LinkFontColor, QColor(Qt::red));
    QCOMPARE(config.LinkMenu1.size(), 6);
    QCOMPARE(config.LinkMenu1[5].caption, QStringLiteral("Etc."));
    QStringList words;
    for (const CoBrandToolbarEntry& e : config.ToolbarLinks) {
        QVERIFY(e.address.isEmpty());
        words << QStringLiteral("%1@%2,%3").arg(e.caption, e.leftText, e.topText);
    }
    QCOMPARE(words.join(' '),
             QStringLiteral("Place@220,3 as@220,19 many@220,35 links@270,3 to@270,19 your@270,35 "
                            "website@310,3 and@310,19 your@310,35 website's@365,3 "
                            "subpages@365,19 as@365,35 you@435,3 wish@435,19 here@435,35"));

    const int menus[] = {8, 9, 11, 31};
    const int links[] = {11, 12, 12, 12};
    for (int k = 1; k <= 4; ++k) {
        ApplyDemoSample(k, config, root);
        QVERIFY2(config.WindowTitle.startsWith("The ") &&
                     config.WindowTitle.endsWith(
                         " All Time Baseball Statistics Database for the Internet"),
                 qPrintable(config.WindowTitle));
        QCOMPARE(config.LinkMenu1.size(), menus[k - 1]);
        QCOMPARE(config.LinkMenu1[1].caption, QStringLiteral("Main Page"));
        QCOMPARE(config.LinkMenu1[1].address, root);
        QCOMPARE(config.ToolbarLinks.size(), links[k - 1]);
        for (const CoBrandToolbarEntry& e : config.ToolbarLinks) {
            QVERIFY2(e.address.startsWith(root), qPrintable(e.address));
            QVERIFY(e.left >= 200 && e.top >= 0 && e.top < 60);
        }
        QCOMPARE(config.SiteId, QStringLiteral("site"));
    }
}

QTEST_GUILESS_MAIN(TestNewsCore)
#include "test_newscore.moc"
