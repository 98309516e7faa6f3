#include <QtTest>

#include <vector>

#include "startup/cobrandconfig.h"
#include "tools/cobrandblock.h"

namespace {

// A block like the ones partners get: every switch, six texts, a small logo,
// a font, a first menu, toolbar links and an empty-entry second menu.
CoBrandDescription typical() {
    CoBrandDescription d;
    d.logoEnabled = 1;
    d.linkMenu1Enabled = 1;
    d.headerEnabled = 1;
    d.tickerEnabled = 2;
    d.sisterLogosEnabled = 0;
    d.linkMenu2Enabled = 1;
    d.proxyPromptEnabled = 7;
    d.adSettingsQueryEnabled = 1;
    d.demoMode = 2;
    d.versionText = "1.0";
    d.windowTitle = "Partner Baseball";
    d.siteId = "http://127.0.0.1:8461/";
    d.downloadLinkText = "http://127.0.0.1:8461/download.html";
    d.adRequestTemplate = "http://127.0.0.1:8461/ads/banner.gif?n={";
    d.adClickTemplate = "http://127.0.0.1:8461/click?n=}";
    d.viewBanners = 1;
    d.headerHeight = 66;
    d.adSlotsPerView = 2;
    d.headerColor = 0xFF00FFFF; // yellow; the top byte is not part of the colour
    d.logo = {'B', 'M', 0x00, 0xFF, 0x10, 0x00};
    d.linkFontCharset = 1;
    d.linkFontColor = 0x00800000; // blue 0x80
    d.linkFontSize = 11;
    d.linkFontName = "Liberation Sans";
    d.linkFontPitch = 3;
    d.linkFontReserved = 5;
    d.linkFontBold = 1;
    d.linkFontItalic = 2;
    d.linkFontUnderline = 1;
    d.linkFontStrikeOut = 0;
    d.linkMenu1 = {{"Links", ""}, {"-", ""}, {"Home", "http://127.0.0.1:8461/"}};
    d.toolbarLinks = {{"A", "http://127.0.0.1:8461/a", "435", "2"},
                      {"B", "http://127.0.0.1:8461/b", "x12", ""},
                      {"C", "http://127.0.0.1:8461/c", " 485.7", "-20"}};
    d.linkMenu2 = {{"", ""}, {"", ""}, {"", ""}, {"", ""}};
    return d;
}

std::vector<char> encode(const CoBrandDescription& d) {
    const auto r = EncodeCoBrandBlock(d);
    return std::vector<char>(r.bytes.begin(), r.bytes.end());
}

// The block in an allocation of exactly its size, so that the address
// sanitizer reports any read past its end.
CoBrandReadResult readExact(const std::vector<char>& bytes, qsizetype length) {
    std::vector<char> exact(bytes.begin(), bytes.begin() + length);
    return ReadCoBrandConfig(QByteArrayView(exact.data(), length));
}

} // namespace

class TestCoBrandConfig : public QObject {
    Q_OBJECT
private slots:
    void readsEveryField();
    void switchesAreOnOnlyForOne_data();
    void switchesAreOnOnlyForOne();
    void mapsColoursRedFromTheLowByte_data();
    void mapsColoursRedFromTheLowByte();
    void appliesPitch_data();
    void appliesPitch();
    void emptyListsAndEmptyLogo();
    void ignoresTrailingBytes();
    void everyCutIsAnInputOutputError();
    void namesTheFieldTheBlockEndsIn_data();
    void namesTheFieldTheBlockEndsIn();
    void hugeLogoLengthDoesNotReadPastTheEnd();
};

void TestCoBrandConfig::readsEveryField() {
    const auto bytes = encode(typical());
    const auto r = readExact(bytes, qsizetype(bytes.size()));
    QVERIFY(r.ok());
    QCOMPARE(r.consumed, qsizetype(bytes.size()));
    const CoBrandConfig& c = r.config;
    QVERIFY(c.LogoEnabled && c.LinkMenu1Enabled && c.HeaderEnabled);
    QVERIFY(!c.TickerEnabled && !c.SisterLogosEnabled && c.LinkMenu2Enabled);
    QVERIFY(!c.ProxyPromptEnabled && c.AdSettingsQueryEnabled && !c.DemoMode);
    QCOMPARE(c.VersionText, "1.0");
    QCOMPARE(c.WindowTitle, "Partner Baseball");
    QCOMPARE(c.SiteId, "http://127.0.0.1:8461/");
    QCOMPARE(c.DownloadLinkText, "http://127.0.0.1:8461/download.html");
    QCOMPARE(c.AdRequestTemplate, "http://127.0.0.1:8461/ads/banner.gif?n={");
    QCOMPARE(c.AdClickTemplate, "http://127.0.0.1:8461/click?n=}");
    QCOMPARE(int(c.ViewBanners), 1);
    QCOMPARE(int(c.HeaderHeight), 66);
    QCOMPARE(int(c.AdSlotsPerView), 2);
    QCOMPARE(c.HeaderColor, QColor(255, 255, 0));
    QCOMPARE(r.logo, QByteArray("BM\x00\xFF\x10\x00", 6));
    QCOMPARE(int(c.LinkFontCharset), 1);
    QCOMPARE(c.LinkFontColor, QColor(0, 0, 0x80));
    QCOMPARE(c.LinkFont.pointSize(), 11);
    QCOMPARE(c.LinkFont.family(), "Liberation Sans");
    QVERIFY(c.LinkFont.bold());
    QVERIFY(!c.LinkFont.italic());
    QVERIFY(c.LinkFont.underline());
    QVERIFY(!c.LinkFont.strikeOut());
    QCOMPARE(c.LinkMenu1.size(), 3);
    QCOMPARE(c.LinkMenu1[0].caption, "Links");
    QCOMPARE(c.LinkMenu1[1].caption, "-");
    QCOMPARE(c.LinkMenu1[2].address, "http://127.0.0.1:8461/");
    QCOMPARE(c.ToolbarLinks.size(), 3);
    QCOMPARE(c.ToolbarLinks[0].caption, "A");
    QCOMPARE(c.ToolbarLinks[0].address, "http://127.0.0.1:8461/a");
    QCOMPARE(c.ToolbarLinks[0].left, 435);
    QCOMPARE(c.ToolbarLinks[0].top, 2);
    // Positions that are not plain numbers are read leniently.
    QCOMPARE(c.ToolbarLinks[1].leftText, "x12");
    QCOMPARE(c.ToolbarLinks[1].left, 0x12);
    QCOMPARE(c.ToolbarLinks[1].top, 0);
    QCOMPARE(c.ToolbarLinks[2].left, 485);
    QCOMPARE(c.ToolbarLinks[2].top, -20);
    QCOMPARE(c.LinkMenu2.size(), 4);
    QVERIFY(c.LinkMenu2[3].caption.isEmpty());
}

void TestCoBrandConfig::switchesAreOnOnlyForOne_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<bool>("on");
    QTest::newRow("1 on") << 1 << true;
    QTest::newRow("2 off") << 2 << false;
    QTest::newRow("0 off") << 0 << false;
    QTest::newRow("255 off") << 255 << false;
}

void TestCoBrandConfig::switchesAreOnOnlyForOne() {
    QFETCH(int, byte);
    QFETCH(bool, on);
    CoBrandDescription d = typical();
    d.demoMode = d.proxyPromptEnabled = d.linkFontItalic = d.linkFontStrikeOut =
        static_cast<std::uint8_t>(byte);
    const auto bytes = encode(d);
    const auto r = readExact(bytes, qsizetype(bytes.size()));
    QVERIFY(r.ok());
    QCOMPARE(r.config.DemoMode, on);
    QCOMPARE(r.config.ProxyPromptEnabled, on);
    QCOMPARE(r.config.LinkFont.italic(), on);
    QCOMPARE(r.config.LinkFont.strikeOut(), on);
}

void TestCoBrandConfig::mapsColoursRedFromTheLowByte_data() {
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("red") << 0x000000FFu << QColor(255, 0, 0);
    QTest::newRow("green") << 0x0000FF00u << QColor(0, 255, 0);
    QTest::newRow("blue") << 0x00FF0000u << QColor(0, 0, 255);
    QTest::newRow("mixed") << 0x00123456u << QColor(0x56, 0x34, 0x12);
    QTest::newRow("top byte ignored") << 0x80FFFFFFu << QColor(255, 255, 255);
}

void TestCoBrandConfig::mapsColoursRedFromTheLowByte() {
    QFETCH(quint32, value);
    QFETCH(QColor, colour);
    QCOMPARE(CoBrandColour(value), colour);
}

void TestCoBrandConfig::appliesPitch_data() {
    QTest::addColumn<int>("pitch");
    QTest::addColumn<bool>("fixed");
    QTest::newRow("0 keeps default") << 0 << false;
    QTest::newRow("1 default") << 1 << false;
    QTest::newRow("2 fixed") << 2 << true;
    QTest::newRow("3 variable") << 3 << false;
    QTest::newRow("9 keeps default") << 9 << false;
}

void TestCoBrandConfig::appliesPitch() {
    QFETCH(int, pitch);
    QFETCH(bool, fixed);
    CoBrandDescription d = typical();
    d.linkFontPitch = static_cast<std::uint8_t>(pitch);
    const auto bytes = encode(d);
    const auto r = readExact(bytes, qsizetype(bytes.size()));
    QVERIFY(r.ok());
    QCOMPARE(int(r.config.LinkFontPitch), pitch);
    QCOMPARE(r.config.LinkFont.fixedPitch(), fixed);
    // Only 1, 2 and 3 say anything about the pitch; other bytes leave the font
    // as it would be without a pitch byte.
    const bool pitchSet = r.config.LinkFont.resolveMask() & QFont::FixedPitchResolved;
    QCOMPARE(pitchSet, pitch == 2 || pitch == 3);
}

void TestCoBrandConfig::emptyListsAndEmptyLogo() {
    CoBrandDescription d = typical();
    d.logo.clear();
    d.linkMenu1.clear();
    d.toolbarLinks.clear();
    d.linkMenu2.clear();
    const auto bytes = encode(d);
    const auto r = readExact(bytes, qsizetype(bytes.size()));
    QVERIFY(r.ok());
    QCOMPARE(r.consumed, qsizetype(bytes.size()));
    QVERIFY(r.logo.isEmpty());
    QVERIFY(r.config.LinkMenu1.isEmpty());
    QVERIFY(r.config.ToolbarLinks.isEmpty());
    QVERIFY(r.config.LinkMenu2.isEmpty());
    QCOMPARE(r.config.LinkFont.family(), "Liberation Sans"); // fields after the logo line up
}

void TestCoBrandConfig::ignoresTrailingBytes() {
    auto bytes = encode(typical());
    const auto length = qsizetype(bytes.size());
    bytes.insert(bytes.end(), {'\x05', 'x', 'y'});
    const auto r = readExact(bytes, qsizetype(bytes.size()));
    QVERIFY(r.ok());
    QCOMPARE(r.consumed, length);
    QCOMPARE(r.config.LinkMenu2.size(), 4);
}

void TestCoBrandConfig::everyCutIsAnInputOutputError() {
    const auto bytes = encode(typical());
    for (qsizetype length = 0; length < qsizetype(bytes.size()); ++length) {
        const auto r = readExact(bytes, length);
        QVERIFY2(!r.ok(), qPrintable(QString("cut at %1 was accepted").arg(length)));
        QVERIFY(!r.field.isEmpty());
        QVERIFY(r.logo.isEmpty());
        QVERIFY(r.consumed <= length);
    }
}

void TestCoBrandConfig::namesTheFieldTheBlockEndsIn_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("field");
    // Offsets in the typical block: 9 switches, then "1.0" at 9..12.
    QTest::newRow("empty block") << 0 << "LogoEnabled";
    QTest::newRow("after the switches") << 9 << "VersionText";
    QTest::newRow("inside the version text") << 11 << "VersionText";
    QTest::newRow("before the title") << 13 << "WindowTitle";
}

void TestCoBrandConfig::namesTheFieldTheBlockEndsIn() {
    QFETCH(int, length);
    QFETCH(QString, field);
    const auto bytes = encode(typical());
    QCOMPARE(readExact(bytes, length).field, field);

    // Cuts inside the later fields name them too.
    const auto end = qsizetype(bytes.size());
    QCOMPARE(readExact(bytes, end - 1).field, "LinkMenu2");
    const QByteArray whole(bytes.data(), end);
    const qsizetype logoAt = whole.indexOf(QByteArray("BM\x00\xFF", 4));
    QCOMPARE(readExact(bytes, logoAt - 1).field, "LogoLength");
    QCOMPARE(readExact(bytes, logoAt + 3).field, "Logo");
    QCOMPARE(readExact(bytes, logoAt + 6).field, "LinkFont charset");
    QCOMPARE(readExact(bytes, logoAt + 8).field, "LinkFont colour");
    const qsizetype toolbarAt = whole.indexOf(QByteArray("\x01"
                                                         "A",
                                                         2));
    QCOMPARE(readExact(bytes, toolbarAt).field, "ToolbarLinks");
}

void TestCoBrandConfig::hugeLogoLengthDoesNotReadPastTheEnd() {
    auto bytes = encode(typical());
    const QByteArray whole(bytes.data(), qsizetype(bytes.size()));
    const qsizetype lengthAt = whole.indexOf(QByteArray("BM\x00\xFF", 4)) - 3;
    bytes[lengthAt] = bytes[lengthAt + 1] = bytes[lengthAt + 2] = '\xFF';
    const auto r = readExact(bytes, qsizetype(bytes.size()));
    QVERIFY(!r.ok());
    QCOMPARE(r.field, "Logo");
}

QTEST_MAIN(TestCoBrandConfig)
#include "test_cobrandconfig.moc"
