#include <QtTest>

#include <string>

#include "tools/cobrandblock.h"

namespace {

// A complete description with every single-valued field; `extra` lines are
// appended and `drop` names a field to leave out.
std::string description(const std::string& extra = {}, const std::string& drop = {}) {
    const std::vector<std::pair<std::string, std::string>> fields = {
        {"LogoEnabled", "on"},        {"LinkMenu1Enabled", "off"},
        {"HeaderEnabled", "on"},      {"TickerEnabled", "2"},
        {"SisterLogosEnabled", "0"},  {"LinkMenu2Enabled", "off"},
        {"ProxyPromptEnabled", "on"}, {"AdSettingsQueryEnabled", "off"},
        {"DemoMode", "off"},          {"VersionText", "1.0"},
        {"WindowTitle", "Title"},     {"SiteId", "http://127.0.0.1:8461/"},
        {"DownloadLinkText", "dl"},   {"AdRequestTemplate", "http://127.0.0.1:8461/a?n={"},
        {"AdClickTemplate", ""},      {"ViewBanners", "1"},
        {"HeaderHeight", "66"},       {"AdSlotsPerView", "2"},
        {"HeaderColor", "#102030"},   {"Logo", ""},
        {"LinkFontCharset", "0"},     {"LinkFontColor", "#FF0000"},
        {"LinkFontSize", "8"},        {"LinkFontName", "Arial"},
        {"LinkFontPitch", "1"},       {"LinkFontReserved", "0"},
        {"LinkFontBold", "on"},       {"LinkFontItalic", "off"},
        {"LinkFontUnderline", "on"},  {"LinkFontStrikeOut", "off"},
    };
    std::string text = "# comment line\n\n";
    for (const auto& [name, value] : fields) {
        if (name != drop) {
            text += name + " = " + value + "\n";
        }
    }
    return text + extra;
}

QByteArray bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

} // namespace

class TestCoBrandBlock : public QObject {
    Q_OBJECT
private slots:
    void parsesEveryField();
    void refusesBadDescriptions_data();
    void refusesBadDescriptions();
    void convertsTextToSingleBytes();
    void encodesInBlockOrder();
    void refusesWhatDoesNotFit_data();
    void refusesWhatDoesNotFit();
    void acceptsTheLargestThatFits();
    void packagesAtTheOffset();
    void refusesAnImagePastTheOffset();
};

void TestCoBrandBlock::parsesEveryField() {
    const auto r = ParseCoBrandDescription(description("LinkMenu1 = &Links |\n"
                                                       "LinkMenu1 = Home | http://127.0.0.1/\n"
                                                       "ToolbarLink = A | b | 435 | 2\n"
                                                       "LinkMenu2 = - |\n"));
    QVERIFY2(r.ok(), r.error.c_str());
    const auto& d = r.description;
    QCOMPARE(d.logoEnabled, 1);
    QCOMPARE(d.linkMenu1Enabled, 2);
    QCOMPARE(d.tickerEnabled, 2);
    QCOMPARE(d.sisterLogosEnabled, 0);
    QCOMPARE(d.windowTitle, "Title");
    QCOMPARE(d.adClickTemplate, "");
    QCOMPARE(d.headerHeight, 66);
    // #RRGGBB is stored with red in the least significant byte.
    QCOMPARE(d.headerColor, 0x302010u);
    QCOMPARE(d.linkFontColor, 0x0000FFu);
    QCOMPARE(d.linkMenu1.size(), 2u);
    QCOMPARE(d.linkMenu1[0].caption, "&Links");
    QCOMPARE(d.linkMenu1[0].address, "");
    QCOMPARE(d.linkMenu1[1].address, "http://127.0.0.1/");
    QCOMPARE(d.toolbarLinks.size(), 1u);
    QCOMPARE(d.toolbarLinks[0].left, "435");
    QCOMPARE(d.toolbarLinks[0].top, "2");
    QCOMPARE(d.linkMenu2.size(), 1u);
    QCOMPARE(d.linkMenu2[0].caption, "-");
}

void TestCoBrandBlock::refusesBadDescriptions_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, const std::string& text, const char* expected) {
        QTest::newRow(name) << QByteArray::fromStdString(text) << QString::fromLatin1(expected);
    };
    row("missing field", description({}, "HeaderColor"), "HeaderColor: missing");
    row("unknown field", description("Colour = #000000\n"), "unknown field \"Colour\"");
    row("given twice", description("SiteId = x\n"), "SiteId: given more than once");
    row("no equals sign", description("LogoEnabled\n"), "expected \"Name = value\"");
    row("bad switch", "DemoMode = yes\n", "DemoMode: expected on, off or a byte");
    row("byte too large", "HeaderHeight = 256\n", "HeaderHeight: expected a number 0-255");
    row("negative byte", "ViewBanners = -1\n", "ViewBanners: expected a number 0-255");
    row("colour without hash", "HeaderColor = FFFF00\n", "HeaderColor: expected a colour");
    row("colour too short", "LinkFontColor = #FFF\n", "LinkFontColor: expected a colour");
    row("menu entry without bar", description("LinkMenu1 = Home\n"), "LinkMenu1: expected 2 parts");
    row("character beyond single bytes", "WindowTitle = 5 \xE2\x82\xAC\n",
        "WindowTitle: character U+20AC does not fit single-byte text");
    row("not UTF-8", "SiteId = \xE9t\xE9\n", "SiteId: the text is not UTF-8");
    row("cut UTF-8 sequence", "SiteId = ab\xC3\n", "SiteId: the text is not UTF-8");
    row("menu caption beyond single bytes", description("LinkMenu1 = \xE2\x80\x94 |\n"),
        "LinkMenu1: character U+2014");
    row("toolbar entry short", description("ToolbarLink = a | b | 1\n"),
        "ToolbarLink: expected 4 parts");
}

void TestCoBrandBlock::refusesBadDescriptions() {
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    const auto r = ParseCoBrandDescription(text.toStdString());
    QVERIFY(!r.ok());
    QVERIFY2(QString::fromStdString(r.error).contains(expected), r.error.c_str());
}

void TestCoBrandBlock::convertsTextToSingleBytes() {
    const auto r = ParseCoBrandDescription(
        description("LinkMenu1 = Caf\xC3\xA9 | http://127.0.0.1/\n", "WindowTitle") +
        "WindowTitle = Estad\xC3\xADsticas \xC2\xBD\n");
    QVERIFY2(r.ok(), r.error.c_str());
    QCOMPARE(QByteArray::fromStdString(r.description.windowTitle),
             QByteArray("Estad\xEDsticas \xBD"));
    QCOMPARE(QByteArray::fromStdString(r.description.linkMenu1[0].caption), QByteArray("Caf\xE9"));
}

void TestCoBrandBlock::encodesInBlockOrder() {
    CoBrandDescription d;
    d.logoEnabled = 1;
    d.demoMode = 7;
    d.versionText = "1.0";
    d.viewBanners = 1;
    d.headerHeight = 66;
    d.adSlotsPerView = 2;
    d.headerColor = 0x00302010;
    d.logo = {'B', 'M', 0};
    d.linkFontCharset = 3;
    d.linkFontColor = 0x11223344;
    d.linkFontSize = 8;
    d.linkFontName = "Ab";
    d.linkFontPitch = 2;
    d.linkFontReserved = 9;
    d.linkFontBold = 1;
    d.linkMenu1 = {{"M", ""}};
    d.toolbarLinks = {{"c", "a", "4", "2"}};
    const auto r = EncodeCoBrandBlock(d);
    QVERIFY(r.ok());
    const QByteArray expected = QByteArray("\x01\x02\x02\x02\x02\x02\x02\x02\x07", 9) +
                                QByteArray("\x03"
                                           "1.0",
                                           4) +
                                QByteArray(5, '\0') + QByteArray("\x01\x42\x02", 3) +
                                QByteArray("\x00\x30\x20\x10", 4) +
                                QByteArray("\x00\x00\x03"
                                           "BM\x00",
                                           6) +
                                QByteArray("\x03\x11\x22\x33\x44\x08\x02"
                                           "Ab\x02\x09",
                                           11) +
                                QByteArray("\x01\x02\x02\x02", 4) + QByteArray("\x01\x01M\x00", 4) +
                                QByteArray("\x01\x01"
                                           "c\x01"
                                           "a\x01"
                                           "4\x01"
                                           "2",
                                           9) +
                                QByteArray("\x00", 1);
    QCOMPARE(bytes(r.bytes).toHex(' '), expected.toHex(' '));
}

void TestCoBrandBlock::refusesWhatDoesNotFit_data() {
    QTest::addColumn<int>("what");
    QTest::addColumn<QString>("expected");
    QTest::newRow("title over 255 bytes") << 0 << "WindowTitle: text is 256 bytes";
    QTest::newRow("font name over 255 bytes") << 1 << "LinkFontName: text is 300 bytes";
    QTest::newRow("menu over 255 entries") << 2 << "LinkMenu1: 256 entries";
    QTest::newRow("toolbar over 255 entries") << 3 << "ToolbarLink: 300 entries";
    QTest::newRow("toolbar position over 255 bytes") << 4 << "ToolbarLink top: text is 256";
    QTest::newRow("logo over 2^24-1 bytes") << 5 << "Logo: 16777216 bytes";
}

void TestCoBrandBlock::refusesWhatDoesNotFit() {
    QFETCH(int, what);
    QFETCH(QString, expected);
    CoBrandDescription d;
    switch (what) {
    case 0:
        d.windowTitle.assign(256, 'x');
        break;
    case 1:
        d.linkFontName.assign(300, 'x');
        break;
    case 2:
        d.linkMenu1.resize(256);
        break;
    case 3:
        d.toolbarLinks.resize(300);
        break;
    case 4:
        d.toolbarLinks = {{"a", "b", "1", std::string(256, '9')}};
        break;
    case 5:
        d.logo.resize(0x1000000);
        break;
    }
    const auto r = EncodeCoBrandBlock(d);
    QVERIFY(!r.ok());
    QVERIFY(r.bytes.empty());
    QVERIFY2(QString::fromStdString(r.error).startsWith(expected), r.error.c_str());
}

void TestCoBrandBlock::acceptsTheLargestThatFits() {
    CoBrandDescription d;
    d.windowTitle.assign(255, 'x');
    d.linkMenu2.resize(255);
    d.logo.resize(0xFFFFFF, 0x42);
    const auto r = EncodeCoBrandBlock(d);
    QVERIFY2(r.ok(), r.error.c_str());
    // Logo length field: three bytes, big-endian.
    const auto logoLengthAt = 9 + 1 + 1 + 255 + 4 + 3 + 4;
    QCOMPARE(r.bytes[logoLengthAt], 0xFF);
    QCOMPARE(r.bytes[logoLengthAt + 2], 0xFF);
    QCOMPARE(r.bytes[logoLengthAt + 3], 0x42);
    QCOMPARE(r.bytes.back(), 0); // last of 255 empty address strings
}

void TestCoBrandBlock::packagesAtTheOffset() {
    const std::vector<std::uint8_t> image = {1, 2, 3};
    const std::vector<std::uint8_t> block = {9, 8};
    const auto r = PackageImage(image, block, 6);
    QVERIFY(r.ok());
    QCOMPARE(bytes(r.bytes), QByteArray("\x01\x02\x03\x00\x00\x00\x09\x08", 8));
    const auto exact = PackageImage(image, block, 3);
    QVERIFY(exact.ok());
    QCOMPARE(bytes(exact.bytes), QByteArray("\x01\x02\x03\x09\x08", 5));
}

void TestCoBrandBlock::refusesAnImagePastTheOffset() {
    const auto r = PackageImage(std::vector<std::uint8_t>(10, 1), {1}, 9);
    QVERIFY(!r.ok());
    QVERIFY(r.bytes.empty());
    QVERIFY2(QString::fromStdString(r.error).contains("10 bytes, larger than the block offset 9"),
             r.error.c_str());
}

QTEST_APPLESS_MAIN(TestCoBrandBlock)
#include "test_cobrandblock.moc"
