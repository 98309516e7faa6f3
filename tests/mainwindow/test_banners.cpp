// The banner rotation: its pure rules (ad-settings rows, placeholders, slot
// order), then the rotation and the click-through in the main window's
// database windows against bbstatsd started by the test, and failed banner
// requests that leave the picture as it was.

#include <QtTest>

#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include "mainwindow/adrotation.h"
#include "mainwindow/bannerrotation.h"
#include "mainwindow/linkopener.h"
#include "mainwindow/tform1.h"
#include "mainwindow/viewmenustate.h"
#include "platform/bannerimage.h"
#include "protocol/httpcli.h"
#include "query/tform6.h"
#include "tests/support/testservice.h"
#include "views/databaseviews.h"

namespace {

const QString Site = QStringLiteral("http://site.test/");

using Opened = std::array<int, 4>;

// The colour at the middle of a banner's picture.
QColor middleColour(const BannerImage* image) {
    const QImage picture = image->pixmap().toImage();
    return picture.isNull() ? QColor()
                            : picture.pixelColor(picture.width() / 2, picture.height() / 2);
}

QByteArray pngBytes() {
    QImage image(468, 60, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class TestBanners : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void adSettingsRows_data();
    void adSettingsRows();
    void placeholders_data();
    void placeholders();
    void slotOrder_data();
    void slotOrder();
    void rotationInTheDatabaseWindows_data();
    void rotationInTheDatabaseWindows();
    void failedBannersKeepThePicture_data();
    void failedBannersKeepThePicture();

private:
    OpenedUrls m_urls;
    QTemporaryDir m_work;
    QString m_startDir;
};

void TestBanners::initTestCase() {
    for (const char* scheme : {"http", "https", "javascript"}) {
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_urls, "open");
    }
    // "temp.gif" and the start-up marker go into the working folder.
    m_startDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_work.path()));
}

void TestBanners::cleanupTestCase() {
    for (const char* scheme : {"http", "https", "javascript"}) {
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QDir::setCurrent(m_startDir);
}

void TestBanners::adSettingsRows_data() {
    QTest::addColumn<QByteArray>("table"); // null: the service is unreachable
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("click");
    QTest::addColumn<int>("perView");
    const QString request = QStringLiteral("http://ads.test/b?n={");
    const QString click = QStringLiteral("http://ads.test/c?n={");
    const QByteArray row = "http://site.test/\r\nnote\r\n2\r\nhttp://x.test/r{\r\n"
                           "http://x.test/c}\r\n1\r\n";
    QTest::newRow("the site's active row") << row << "http://x.test/r{"
                                           << "http://x.test/c}" << 2;
    QTest::newRow("fewer than three lines")
        << QByteArray("http://site.test/\r\nnote\r\n") << request << click << 0;
    QTest::newRow("matching inactive row")
        << QByteArray("http://site.test/\nnote\n2\nhttp://x.test/r\nhttp://x.test/c\n0\n")
        << request << click << 0;
    QTest::newRow("1.9 slots") << QByteArray("http://site.test/\nn\n1.9\nR{\nC{\n1\n") << "R{"
                               << "C{" << 1;
    QTest::newRow("slots not a number")
        << QByteArray("http://site.test/\nn\nmany\nR\nC\n1\n") << "R"
        << "C" << 0;
    QTest::newRow("last active row wins")
        << row + "http://other.test/\nn\n1\nO\nO\n1\nhttp://site.test/\nn\n1\nL\nL2\n1\n"
        << "L"
        << "L2" << 1;
    QTest::newRow("row cut short")
        << QByteArray("http://site.test/\nn\n2\nR\nC\n") << request << click << 0;
    QTest::newRow("unreachable") << QByteArray() << request << click << 2;
}

void TestBanners::adSettingsRows() {
    QFETCH(QByteArray, table);
    QFETCH(QString, request);
    QFETCH(QString, click);
    QFETCH(int, perView);
    const AdSettings configured{QStringLiteral("http://ads.test/b?n={"),
                                QStringLiteral("http://ads.test/c?n={"), 2};
    TestService service;
    QString host = UnusedLoopbackHost();
    if (!table.isNull()) {
        const QString error = service.start({{QStringLiteral("adsettings.txt"), table}});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        host = service.host();
    }
    const Opened opened{};
    const QString site = Site;
    BannerRotation rotation(configured, opened, site);
    THttpCli client;
    rotation.RunAdSettingsQuery(client, host, Site);
    QCOMPARE(rotation.Settings(), (AdSettings{request, click, perView}));
    QCOMPARE(client.URL(), host + QStringLiteral("/verman.asp"));
    rotation.StartRotation();
    QCOMPARE(rotation.Timer3->isActive(), perView != 0);
    QCOMPARE(rotation.Timer3->interval(), 15000);
}

void TestBanners::placeholders_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("result");
    QTest::newRow("open brace") << "http://a/b={&x=1"
                                << "http://a/b=42&x=1";
    QTest::newRow("close brace only") << "http://a/n=}"
                                      << "http://a/n=42";
    QTest::newRow("none") << "http://a/banner.gif"
                          << "http://a/banner.gif";
    QTest::newRow("first of two") << "{-{"
                                  << "42-{";
    QTest::newRow("open brace before close") << "}{"
                                             << "}42";
    QTest::newRow("empty") << ""
                           << "";
}

void TestBanners::placeholders() {
    QFETCH(QString, pattern);
    QFETCH(QString, result);
    QCOMPARE(SubstituteAdPlaceholder(pattern, 42), result);
    QCOMPARE(HasAdPlaceholder(pattern), pattern.contains('{') || pattern.contains('}'));
}

void TestBanners::slotOrder_data() {
    QTest::addColumn<Opened>("opened");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("nothing opened") << Opened{0, 0, 0, 0} << QList<int>{0, 0};
    QTest::newRow("only pitchers") << Opened{0, 1, 0, 0} << QList<int>{3, 4, 3, 4, 3};
    QTest::newRow("batters and teams") << Opened{1, 0, 0, 1} << QList<int>{1, 2, 7, 8, 1, 2};
    QTest::newRow("only teams") << Opened{0, 0, 0, 1} << QList<int>{7, 8, 7};
    QTest::newRow("all four") << Opened{1, 1, 1, 1} << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 1};
}

void TestBanners::slotOrder() {
    QFETCH(Opened, opened);
    QFETCH(QList<int>, expected);
    int slot = 0;
    QList<int> served;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        slot = NextAdSlot(slot, opened);
        served.append(slot);
    }
    QCOMPARE(served, expected);
}

void TestBanners::rotationInTheDatabaseWindows_data() {
    QTest::addColumn<int>("perView");
    QTest::newRow("two per window") << 2;
    QTest::newRow("one per window") << 1;
}

void TestBanners::rotationInTheDatabaseWindows() {
    QFETCH(int, perView);
    TestService service;
    const QString error = service.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    CoBrandConfig config;
    config.SiteId = Site;
    config.AdRequestTemplate = service.host() + QStringLiteral("/ads/banner.gif?n={");
    config.AdClickTemplate = QStringLiteral("http://%1/ads/click.asp?n={").arg(service.host());
    config.AdSlotsPerView = static_cast<quint8>(perView);
    const QString host = service.host();
    TForm1 form(config, ServiceHosts{host, host, host},
                FtpTarget{UnusedLoopbackHost(), QString(), QString()});
    auto* sender = new TForm6(&form);
    sender->SetEventHost(host);
    form.resize(1200, 900);
    form.show();
    BannerRotation& banners = form.Banners();
    QVERIFY(banners.Timer3->isActive());

    // Nothing is requested before a database was opened.
    banners.Timer3Timer();
    QCOMPARE(banners.AdSlot(), 0);
    const auto bannerRequests = [&] {
        return service.requestLog().filter(QStringLiteral("GET /ads/banner.gif"));
    };
    QCOMPARE(bannerRequests().size(), 0);

    OpenCommandOf(form.Menu(), DatabaseKind::Pitchers)->trigger();
    StatisticsView* pitchers = form.View(DatabaseKind::Pitchers);
    QVERIFY(pitchers != nullptr);
    QVERIFY(pitchers->Image1->isVisible());
    QCOMPARE(pitchers->Image2->isVisible(), perView == 2);
    QCOMPARE(pitchers->Image1->size(), QSize(468, 60));
    for (const int slot : {3, 4, 3}) {
        banners.Timer3Timer();
        QCOMPARE(banners.AdSlot(), slot);
        QVERIFY(!banners.AdPending());
        QCOMPARE(bannerRequests().last(),
                 QStringLiteral("GET /ads/banner.gif?n=%1 ").arg(banners.AdNumber(slot)));
    }
    // The hidden right-hand image is still served.
    QVERIFY(pitchers->Image1->hasPicture());
    QVERIFY(pitchers->Image2->hasPicture());
    QVERIFY(QFile::exists(QStringLiteral("temp.gif")));

    // A click opens the click-through with the slot's number and reports it.
    m_urls.opened.clear();
    QTest::mouseClick(pitchers->Image1, Qt::LeftButton);
    QCOMPARE(
        m_urls.opened,
        QList<QUrl>{QUrl(
            QStringLiteral("http://%1/ads/click.asp?n=%2").arg(host).arg(banners.AdNumber(3)))});
    QCOMPARE(service.storedEvents().value(0), QByteArray("CLICK,pitchers,http://site.test/,0"));
    if (perView == 2) {
        QTest::mouseClick(pitchers->Image2, Qt::LeftButton);
        QCOMPARE(m_urls.opened.value(1).toString(),
                 QStringLiteral("http://%1/ads/click.asp?n=%2").arg(host).arg(banners.AdNumber(4)));
        QCOMPARE(service.storedEvents().size(), 2);
    }

    // Without a browser, a banner click and the site link under the grid
    // show the message the header's links show.
    QStringList messages;
    form.SetLinkOpener([&messages](const QString& target) {
        QTimer::singleShot(0, [&messages] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messages << box->text();
                box->accept();
            }
        });
        OpenLink(target, [](const QUrl&) { return false; });
    });
    QTest::mouseClick(pitchers->Image1, Qt::LeftButton);
    QTest::mouseClick(pitchers->Label2, Qt::LeftButton);
    QCOMPARE(
        messages,
        (QStringList{
            NoBrowserMessage(
                QStringLiteral("http://%1/ads/click.asp?n=%2").arg(host).arg(banners.AdNumber(3))),
            NoBrowserMessage(Site)}));

    // Closed and opened again, the database keeps its place in the rotation.
    pitchers->close();
    QTRY_VERIFY(form.View(DatabaseKind::Pitchers) == nullptr);
    banners.Timer3Timer();
    QCOMPARE(banners.AdSlot(), 4);
    OpenCommandOf(form.Menu(), DatabaseKind::Batters)->trigger();
    banners.Timer3Timer();
    QCOMPARE(banners.AdSlot(), 1);
    QVERIFY(form.View(DatabaseKind::Batters)->Image1->hasPicture());
}

void TestBanners::failedBannersKeepThePicture_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("a GIF") << "gif" << true;
    QTest::newRow("a PNG named .gif") << "png" << false;
    QTest::newRow("an HTML page") << "html" << false;
    QTest::newRow("not found") << "404" << false;
    QTest::newRow("nobody listens") << "dead" << false;
    QTest::newRow("unresolvable host") << "name" << false;
}

void TestBanners::failedBannersKeepThePicture() {
    QFETCH(QString, reply);
    QFETCH(bool, replaced);
    TestService service;
    TestService::Files files;
    if (reply == QLatin1String("png")) {
        files = {{QStringLiteral("ads/banner1.gif"), pngBytes()},
                 {QStringLiteral("ads/banner2.gif"), QByteArray()},
                 {QStringLiteral("ads/banner3.gif"), QByteArray()}};
    }
    const QString error = service.start(files);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QString request = service.host() + QStringLiteral("/ads/banner.gif?n={");
    if (reply == QLatin1String("html")) {
        request = service.host() + QStringLiteral("/");
    } else if (reply == QLatin1String("404")) {
        request = service.host() + QStringLiteral("/ads/none.gif");
    } else if (reply == QLatin1String("dead")) {
        request = UnusedLoopbackHost() + QStringLiteral("/b.gif");
    } else if (reply == QLatin1String("name")) {
        request = QStringLiteral("bad..host/b.gif");
    }
    const Opened opened{1, 0, 0, 0};
    const QString site = Site;
    BannerRotation rotation(AdSettings{request, QString(), 2}, opened, site);
    TForm2A view(ServiceHosts{UnusedLoopbackHost(), UnusedLoopbackHost(), UnusedLoopbackHost()});
    rotation.AttachView(&view);
    QImage red(468, 60, QImage::Format_RGB32);
    red.fill(Qt::red);
    view.Image1->setPicture(red);
    rotation.Timer3Timer();
    QVERIFY(!rotation.AdPending());
    QCOMPARE(rotation.AdSlot(), 1);
    QCOMPARE(middleColour(view.Image1) != QColor(Qt::red), replaced);
    // The rotation goes on at the next tick.
    rotation.Timer3Timer();
    QCOMPARE(rotation.AdSlot(), 2);
    QVERIFY(!rotation.AdPending());
}

QTEST_MAIN(TestBanners)
#include "test_banners.moc"
