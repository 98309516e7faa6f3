// The main window's header as the user meets it: the co-brand band, logo, toolbar links and
// link menus from the configuration, the news ticker fetched from a news site on loopback,
// freezing under the pointer, link clicks with their usage events, a news site that fails, and
// the demonstration rotation.

#include <memory>

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "mainwindow/clicklabel.h"
#include "mainwindow/demorotation.h"
#include "mainwindow/headerband.h"
#include "mainwindow/linkmenus.h"
#include "mainwindow/linkopener.h"
#include "mainwindow/newsticker.h"
#include "mainwindow/tform1.h"
#include "tests/protocol/recordingserver.h"
#include "tests/support/testservice.h"

namespace {

const QByteArray TodayList = "^^setURL(http://news.test/t1)\r\nToday One\r\n"
                             "^^setURL(http://news.test/t2)\r\nToday Two\r\n^^end\r\n";
// The second entry's address is no web address: the program does not open it.
const QByteArray YesterdayList = "^^setURL(http://news.test/y1)\r\nYesterday One\r\n"
                                 "^^setURL(file:///etc/passwd)\r\nYesterday Two\r\n^^end\r\n";
const QByteArray HomePage = "<HTML>\r\n<a href=\"/article.asp?id=1\"><B>Head One</B></a>\r\n"
                            "<FONT FACE=\"VERDANA\">Sum one</FONT>\r\n</HTML>\r\n";
const QByteArray SummaryPage =
    "<HTML>\r\n<B>Today One</B>\r\n<FONT FACE=\"VERDANA\">Hint t1</FONT>\r\n"
    "<B>Today Two</B>\r\n<FONT FACE=\"VERDANA\">Hint t2</FONT>\r\n"
    "<B>Yesterday One</B>\r\n<FONT FACE=\"VERDANA\">Hint y1</FONT>\r\n"
    "<B>Yesterday Two</B>\r\n<FONT FACE=\"VERDANA\">Hint y2</FONT>\r\n"
    "</HTML>\r\n";

// A news site on loopback; the paths in `missing` answer 404.
struct NewsSite {
    RecordingServer server;
    QStringList missing;

    NewsSite() {
        server.setResponder([this](const QByteArray& request) {
            const QByteArray path = request.split(' ').value(1);
            const QMap<QByteArray, QByteArray> pages{
                {"/scroller/dataFiles/todaysArticles.txt", TodayList},
                {"/scroller/dataFiles/yesterDaysArticles.txt", YesterdayList},
                {"/home.asp?category=Baseball", HomePage},
                {"/content.asp", SummaryPage}};
            if (!pages.contains(path) || missing.contains(QString::fromLatin1(path))) {
                return HttpReply("404 Not Found", "gone");
            }
            return HttpReply("200 OK", pages[path]);
        });
    }
    QString root() const { return "http://" + server.hostPort() + "/"; }
};

CoBrandConfig partner() {
    CoBrandConfig c;
    c.WindowTitle = QStringLiteral("Partner Baseball");
    c.SiteId = QStringLiteral("site.test");
    c.HeaderEnabled = true;
    c.TickerEnabled = true;
    c.LinkMenu1Enabled = true;
    c.HeaderHeight = 66;
    c.HeaderColor = QColor(0xF2, 0xF5, 0xFA);
    c.LinkFont = QFont(QStringLiteral("Arial"), 9);
    c.LinkFontColor = QColor(Qt::darkBlue);
    c.LinkMenu1 = {{"&Links", ""},
                   {"Home", "http://home.test/"},
                   {"-", ""},
                   {"Scores", "http://home.test/scores?a=1&b=2"}};
    CoBrandToolbarEntry first{"Home", "http://home.test/", "220.7", "3"};
    CoBrandToolbarEntry second{"Blank", "", "860", "20"};
    c.ToolbarLinks = {first, second};
    return c;
}

struct Window {
    std::unique_ptr<TForm1> form;
    QStringList opened;

    Window(const CoBrandConfig& config, const QString& newsRoot) {
        form = std::make_unique<TForm1>(
            config, ServiceHosts{UnusedLoopbackHost(), UnusedLoopbackHost(), UnusedLoopbackHost()},
            FtpTarget{UnusedLoopbackHost(), QString(), QString()}, newsRoot);
        form->SetLinkOpener([this](const QString& target) { opened << target; });
        form->resize(1200, 800);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    HeaderBand* band() const { return form->Header(); }
    NewsTicker* ticker() const { return form->Ticker(); }
    int visibleLinks() const {
        int n = 0;
        for (ClickLabel* link : band()->Dyn) {
            n += link->isVisibleTo(form.get()) ? 1 : 0;
        }
        return n;
    }
    bool running() const { return ticker()->Timer1->isActive() && ticker()->Timer2->isActive(); }
};

QString deadRoot() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort());
}

} // namespace

class TestHeader : public QObject {
    Q_OBJECT
private slots:
    void headerAndTickerFromTheConfiguration();
    void linkMenusAndToolbarLinksByCount_data();
    void linkMenusAndToolbarLinksByCount();
    void switches_data();
    void switches();
    void newsSiteFailures_data();
    void newsSiteFailures();
    void demonstrationRotation();
};

void TestHeader::headerAndTickerFromTheConfiguration() {
    NewsSite site;
    Window w(partner(), site.root());
    HeaderBand* band = w.band();
    NewsTicker* ticker = w.ticker();
    QCOMPARE(w.form->windowTitle(), QStringLiteral("Partner Baseball"));
    QVERIFY(band->isVisible());
    QCOMPARE(band->height(), 66);
    QCOMPARE(band->palette().color(QPalette::Window), QColor(0xF2, 0xF5, 0xFA));
    // Database windows live below the band.
    const QPoint mdiTop = w.form->MdiArea()->mapTo(w.form.get(), QPoint(0, 0));
    QCOMPARE(mdiTop.y(), band->mapTo(w.form.get(), QPoint(0, 0)).y() + 66);
    // "220.7" places the link at 220.
    QCOMPARE(band->Dyn[0]->pos(), QPoint(220, 3));
    QCOMPARE(band->Dyn[0]->text(), QStringLiteral("Home"));
    QCOMPARE(band->Dyn[0]->font().family(), QStringLiteral("Arial"));
    QCOMPARE(band->Dyn[0]->palette().color(QPalette::WindowText), QColor(Qt::darkBlue));
    QCOMPARE(w.visibleLinks(), 2);

    // Fetched once, summaries inserted, both rotations running.
    QCOMPARE(ticker->TodayList(),
             QStringList({"^^setURL(http://news.test/t1)", "Today One", "Hint t1",
                          "^^setURL(http://news.test/t2)", "Today Two", "Hint t2", "^^end"}));
    QCOMPARE(ticker->Articles()[0].Title, QStringLiteral("Head One"));
    QVERIFY(w.running());
    QCOMPARE(ticker->Timer1->interval(), 3000);

    // Today and yesterday in turn, each line its entries in order; a click opens the line's
    // article unless its address is no web address.
    const QStringList expected{"3:Today One:Hint t1", "4:Yesterday One:Hint y1",
                               "3:Today Two:Hint t2", "4:Yesterday Two:Hint y2",
                               "3:Today One:Hint t1", "4:Yesterday One:Hint y1"};
    for (const QString& step : expected) {
        ticker->Timer1Timer();
        QLabel* line = step.startsWith('3') ? ticker->Label3 : ticker->Label4;
        QCOMPARE(QStringLiteral("%1:%2:%3").arg(step.left(1), line->text(), line->toolTip()), step);
        QTest::mouseClick(line, Qt::LeftButton);
    }
    QCOMPARE(w.opened,
             QStringList({"http://news.test/t1", "http://news.test/y1", "http://news.test/t2",
                          "http://news.test/t1", "http://news.test/y1"}));

    // Headlines: no link before the first rotation; one article, then empty entries.
    w.opened.clear();
    QTest::mouseClick(ticker->Article[0], Qt::LeftButton);
    QVERIFY(w.opened.isEmpty());
    ticker->Timer2Timer();
    ticker->Timer2Timer();
    QCOMPARE(ticker->Article[0]->text(), QStringLiteral("Head One"));
    QCOMPARE(ticker->Article[0]->toolTip(), QStringLiteral("Sum one"));
    QCOMPARE(ticker->Article[1]->text(), QString());
    QTest::mouseClick(ticker->Article[0], Qt::LeftButton);
    QTest::mouseClick(ticker->Article[2], Qt::LeftButton); // still no link
    QTest::mouseClick(ticker->Label5, Qt::LeftButton);
    QCOMPARE(w.opened, QStringList({site.root() + "article.asp?id=1",
                                    site.root() + "home.asp?category=Baseball"}));

    // The pointer on a line or headline freezes both rotations; on a heading nothing changes;
    // on the bare band they run again.
    for (QWidget* target :
         {static_cast<QWidget*>(ticker->Label3), static_cast<QWidget*>(ticker->Article[0])}) {
        QTest::mouseMove(target, QPoint(2, 2));
        QTRY_VERIFY(!ticker->Timer1->isActive() && !ticker->Timer2->isActive());
        QTest::mouseMove(ticker->Label1, QPoint(2, 2));
        QTest::qWait(50);
        QVERIFY(!ticker->Timer1->isActive());
        QTest::mouseMove(band, QPoint(1150, 60));
        QTRY_VERIFY(w.running());
    }

    // Link clicks open the address, then report the usage event; sister logos send nothing.
    QSignalSpy events(w.form.get(), &TForm1::usageEvent);
    w.opened.clear();
    QTest::mouseClick(band->Dyn[0], Qt::LeftButton);
    QTest::mouseClick(band->Dyn[1], Qt::LeftButton);
    w.form->Menu().Korvex1Items[2]->trigger();
    band->SisterClick(0);
    QCOMPARE(w.opened, QStringList({"http://home.test/", "", "http://home.test/scores?a=1&b=2",
                                    HeaderBand::SisterSite(0)}));
    QCOMPARE(events.size(), 3);
    QCOMPARE(events[0][0].toString(), QStringLiteral("TOOLCLICK,http://home.test/,site.test,0"));
    QCOMPARE(events[1][0].toString(), QStringLiteral("TOOLCLICK,,site.test,0"));
    QCOMPARE(events[2][0].toString(),
             QStringLiteral("MENUCLICK,http://home.test/scores?a=1&b=2,site.test,0"));
    // The "-" entry is a separator line without a stray "-".
    QVERIFY(w.form->Menu().Korvex1Items[1]->isSeparator());
    QCOMPARE(w.form->Menu().Korvex1Items[1]->text(), QString());

    // When no browser takes a link, a message names its address; an empty
    // link says nothing.
    QStringList messages;
    const auto noBrowser = [&messages](const QString& target) {
        QTimer::singleShot(0, [&messages] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messages << box->text();
                box->accept();
            }
        });
        OpenLink(target, [](const QUrl&) { return false; });
    };
    noBrowser(QStringLiteral("http://127.0.0.1:8461/help.html"));
    noBrowser(QString());
    QTest::qWait(20);
    QCOMPARE(messages, QStringList{NoBrowserMessage("http://127.0.0.1:8461/help.html")});
    QVERIFY(messages[0].contains("http://127.0.0.1:8461/help.html"));
}

void TestHeader::linkMenusAndToolbarLinksByCount_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("menuShown");
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("links");
    QTest::newRow("none") << 0 << false << 0 << 0;
    QTest::newRow("title only") << 1 << true << 0 << 1;
    QTest::newRow("title and two items") << 3 << true << 2 << 3;
    QTest::newRow("60 entries") << 60 << true << 49 << 50;
}

// Both link menus and the toolbar links show at most 50 entries: entry 0 names a menu, entries
// 1..49 are its items; toolbar entries 0..49 are Dyn1..Dyn50.
void TestHeader::linkMenusAndToolbarLinksByCount() {
    QFETCH(int, count);
    QFETCH(bool, menuShown);
    QFETCH(int, items);
    QFETCH(int, links);
    QMenuBar bar;
    const MainMenu menu = buildMainMenu(&bar, nullptr);
    LinkMenus menus(menu);
    HeaderBand band;
    CoBrandConfig config = partner();
    config.LinkMenu2Enabled = true;
    config.LinkMenu1.clear();
    config.ToolbarLinks.clear();
    for (int k = 0; k < count; ++k) {
        config.LinkMenu1.append(
            {QStringLiteral("M%1").arg(k), QStringLiteral("http://m/%1").arg(k)});
        config.ToolbarLinks.append(
            {QStringLiteral("L%1").arg(k), QString(), QString::number(k), QStringLiteral("2")});
    }
    config.LinkMenu2 = config.LinkMenu1;
    menus.Apply(config, QStringLiteral("site"));
    band.PlaceToolbarLinks(config, QStringLiteral("site"));
    for (QMenu* linkMenu : {menu.Korvex1, menu.Item1001}) {
        QCOMPARE(linkMenu->menuAction()->isVisible(), menuShown);
        int visible = 0;
        for (QAction* item : linkMenu->actions()) {
            visible += item->isVisible() ? 1 : 0;
        }
        QCOMPARE(visible, items);
        if (menuShown) {
            QCOMPARE(linkMenu->title(), QStringLiteral("M0"));
        }
    }
    // The menus sit at positions 5 and 6 of the menu bar.
    QCOMPARE(bar.actions().at(MainMenu::LinkMenu1Position), menu.Korvex1->menuAction());
    QCOMPARE(bar.actions().at(MainMenu::LinkMenu2Position), menu.Item1001->menuAction());
    int shown = 0;
    for (ClickLabel* link : band.Dyn) {
        shown += link->isVisibleTo(&band) ? 1 : 0;
    }
    QCOMPARE(shown, links);
    if (count == 60) {
        QCOMPARE(menu.Korvex1Items[48]->text(), QStringLiteral("M49"));
        QCOMPARE(band.Dyn[49]->text(), QStringLiteral("L49"));
        QCOMPARE(band.Dyn[49]->pos(), QPoint(49, 2));
    }
    menus.HideAll();
    QVERIFY(!menu.Korvex1->menuAction()->isVisible() && !menu.Item1001->menuAction()->isVisible());
}

void TestHeader::switches_data() {
    QTest::addColumn<bool>("header");
    QTest::addColumn<bool>("ticker");
    QTest::addColumn<bool>("sisters");
    QTest::addColumn<bool>("menu1");
    QTest::newRow("header off") << false << true << true << true;
    QTest::newRow("ticker off") << true << false << false << true;
    QTest::newRow("sister logos on, menu off") << true << true << true << false;
}

// The header switch hides the whole band, ticker and logos included, whatever the other
// switches say; the caption, site value and link menus are applied all the same.
void TestHeader::switches() {
    QFETCH(bool, header);
    QFETCH(bool, ticker);
    QFETCH(bool, sisters);
    QFETCH(bool, menu1);
    NewsSite site;
    CoBrandConfig config = partner();
    config.HeaderEnabled = header;
    config.TickerEnabled = ticker;
    config.SisterLogosEnabled = sisters;
    config.LinkMenu1Enabled = menu1;
    Window w(config, site.root());
    QCOMPARE(w.form->windowTitle(), QStringLiteral("Partner Baseball"));
    QCOMPARE(w.form->SiteValue(), QStringLiteral("site.test"));
    QCOMPARE(w.band()->isVisible(), header);
    QCOMPARE(w.form->Menu().Korvex1->menuAction()->isVisible(), menu1);
    QCOMPARE(w.visibleLinks(), header ? 2 : 0);
    QCOMPARE(w.band()->SisterImages[0]->isVisibleTo(w.band()), sisters);
    QCOMPARE(w.ticker()->Label3->isVisibleTo(w.band()), ticker);
    QCOMPARE(w.ticker()->Label1->isVisibleTo(w.band()), ticker);
    QCOMPARE(w.running(), ticker);
    // With the ticker off nothing was fetched.
    QCOMPARE(site.server.requests().isEmpty(), !ticker);
    if (!header) {
        QCOMPARE(w.form->MdiArea()->mapTo(w.form.get(), QPoint(0, 0)).y(),
                 w.form->menuBar()->height());
    }
}

void TestHeader::newsSiteFailures_data() {
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<bool>("siteDown");
    QTest::addColumn<bool>("running");
    QTest::newRow("news site down") << QStringList{} << true << false;
    QTest::newRow("baseball page missing")
        << QStringList{"/home.asp?category=Baseball"} << false << false;
    QTest::newRow("summary page missing") << QStringList{"/content.asp"} << false << false;
    QTest::newRow("today list missing")
        << QStringList{"/scroller/dataFiles/todaysArticles.txt"} << false << true;
}

// A page that cannot be fetched leaves the ticker and headlines empty with their timers off,
// and the creation goes on: caption, header, links and menus are applied. A list that cannot
// be fetched only leaves that list empty.
void TestHeader::newsSiteFailures() {
    QFETCH(QStringList, missing);
    QFETCH(bool, siteDown);
    QFETCH(bool, running);
    NewsSite site;
    site.missing = missing;
    Window w(partner(), siteDown ? deadRoot() : site.root());
    QCOMPARE(w.form->windowTitle(), QStringLiteral("Partner Baseball"));
    QCOMPARE(w.band()->palette().color(QPalette::Window), QColor(0xF2, 0xF5, 0xFA));
    QCOMPARE(w.visibleLinks(), 2);
    QVERIFY(w.form->Menu().Korvex1->menuAction()->isVisible());
    QCOMPARE(w.running(), running);
    QCOMPARE(w.ticker()->TodayList().isEmpty(), true);
    QCOMPARE(w.ticker()->YesterdayList().isEmpty(), !running);
    QTest::mouseMove(w.band(), QPoint(1150, 60));
    QTest::qWait(50);
    QCOMPARE(w.running(), running);
    w.ticker()->Timer1Timer();
    w.ticker()->Timer1Timer();
    QCOMPARE(w.ticker()->Label3->text(), QString());
    QCOMPARE(w.ticker()->Label4->text(), running ? QStringLiteral("Yesterday One") : QString());
}

// In demonstration mode a 10-second timer steps through the samples 1, 2, 3, 4, 0: title,
// header colour and height 60, partner logos, toolbar links; the link menus are hidden for good
// after the first step.
void TestHeader::demonstrationRotation() {
    CoBrandConfig config = partner();
    config.TickerEnabled = false;
    config.DemoMode = true;
    Window w(config, deadRoot());
    DemoRotation* demo = w.form->Demo();
    QVERIFY(demo->DemoTimer->isActive());
    QCOMPARE(demo->DemoTimer->interval(), 10000);
    QVERIFY(w.form->Menu().Korvex1->menuAction()->isVisible());
    const int links[] = {11, 12, 12, 12, 15};
    QList<int> steps;
    for (int i = 0; i < 5; ++i) {
        demo->DemoTimerTimer();
        steps << demo->DemoStep();
        QCOMPARE(w.form->windowTitle(), w.form->Config().WindowTitle);
        QCOMPARE(w.band()->height(), 60);
        QCOMPARE(w.band()->palette().color(QPalette::Window), w.form->Config().HeaderColor);
        QCOMPARE(w.visibleLinks(), links[i]);
        QCOMPARE(w.band()->Dyn[0]->text(), w.form->Config().ToolbarLinks[0].caption);
        QVERIFY(!w.form->Menu().Korvex1->menuAction()->isVisible());
        QCOMPARE(w.form->SiteValue(), QStringLiteral("site.test"));
        if (demo->DemoStep() != 0) {
            QCOMPARE(w.band()->Image1->pixmap().size(), QSize(200, 56));
            QVERIFY(w.band()->Image1->isVisible());
        }
    }
    QCOMPARE(steps, (QList<int>{1, 2, 3, 4, 0}));
    QCOMPARE(w.form->windowTitle(),
             QStringLiteral("The All Time Baseball Statistics Database for the Internet"));
    QCOMPARE(w.band()->Dyn[0]->pos(), QPoint(220, 3));
    QCOMPARE(w.band()->Dyn[14]->text(), QStringLiteral("here"));
}

QTEST_MAIN(TestHeader)
#include "test_header.moc"
