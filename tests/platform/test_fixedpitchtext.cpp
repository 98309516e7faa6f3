#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include "platform/fixedpitchtext.h"

namespace {

const QFont gridFont() {
    return QFont(QStringLiteral("Courier New"), 8);
}

QImage drawn(const std::function<void(QPainter&)>& paint) {
    QImage image(120, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.setFont(gridFont());
    paint(painter);
    return image;
}

// Leftmost and rightmost columns holding ink, or (-1, -1) for a blank image.
std::pair<int, int> inkColumns(const QImage& image) {
    int left = -1;
    int right = -1;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(x, y)) < 160) {
                left = left < 0 ? x : left;
                right = x;
                break;
            }
        }
    }
    return {left, right};
}

} // namespace

class TestFixedPitchText : public QObject {
    Q_OBJECT
private slots:
    void matchesDrawText_data();
    void matchesDrawText();
    void blanksOnlyAdvance();
    void advanceIsTheFontPitch();
    void numbersNeverCut();
};

void TestFixedPitchText::matchesDrawText_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("count") << QStringLiteral("  12345");
    QTest::newRow("average") << QStringLiteral("  .300");
    QTest::newRow("missing") << QStringLiteral("    ---");
    QTest::newRow("name") << QStringLiteral("Aaron, Hank");
    QTest::newRow("accented falls back") << QStringLiteral("Pe\u00f1a, Tony");
}

void TestFixedPitchText::matchesDrawText() {
    QFETCH(QString, text);
    const FixedPitchText fast(gridFont());
    const QImage viaFast = drawn([&](QPainter& p) { fast.draw(&p, QPointF(1, 0), text); });
    const QImage viaLayout = drawn(
        [&](QPainter& p) { p.drawText(QPointF(1, QFontMetricsF(gridFont()).ascent()), text); });
    const auto fastInk = inkColumns(viaFast);
    const auto layoutInk = inkColumns(viaLayout);
    QVERIFY(fastInk.first >= 0);
    QVERIFY(qAbs(fastInk.first - layoutInk.first) <= 1);
    QVERIFY(qAbs(fastInk.second - layoutInk.second) <= 1);
}

void TestFixedPitchText::blanksOnlyAdvance() {
    const FixedPitchText fast(gridFont());
    const QImage blank = drawn([&](QPainter& p) { fast.draw(&p, QPointF(1, 0), u"       "); });
    QCOMPARE(inkColumns(blank), std::make_pair(-1, -1));
    const QImage shifted = drawn([&](QPainter& p) { fast.draw(&p, QPointF(1, 0), u"     7"); });
    const QImage plain = drawn([&](QPainter& p) { fast.draw(&p, QPointF(1, 0), u"7"); });
    QVERIFY(qAbs(inkColumns(shifted).first - inkColumns(plain).first - 5 * fast.advance()) <= 1);
}

void TestFixedPitchText::advanceIsTheFontPitch() {
    const FixedPitchText fast(gridFont());
    const QFontMetricsF metrics(gridFont());
    QCOMPARE(fast.advance(), metrics.horizontalAdvance(QStringLiteral("0123456789")) / 10);
    // Seven digits and one pixel of padding fit a 50-pixel column.
    QVERIFY(1 + 7 * fast.advance() <= 50);
}

// A number wider than its cell (the HBP total 127558 in a five-digit
// column) is drawn whole inside the cell, narrower, or as '#' marks when
// even that does not fit; it never loses digits or reaches past the cell.
// Padding goes first; texts that are not numbers keep being clipped.
void TestFixedPitchText::numbersNeverCut() {
    const qreal a = 7; // pixels a character
    // Fits as it is.
    CellFit fit = CellFit::Of(QStringLiteral("  12755"), 7 * a, a);
    QCOMPARE(fit.text, QStringLiteral("  12755"));
    QVERIFY(!fit.cut && !fit.narrow && fit.scale == 1);
    // The padding gives way: right-aligned in the room there is.
    fit = CellFit::Of(QStringLiteral("    127558"), 7 * a, a);
    QCOMPARE(fit.text, QStringLiteral(" 127558"));
    QVERIFY(!fit.cut && !fit.narrow);
    // One digit too many: drawn narrower, every digit kept.
    fit = CellFit::Of(QStringLiteral("  127558"), 5 * a, a);
    QCOMPARE(fit.text, QStringLiteral("127558"));
    QVERIFY(fit.narrow && !fit.cut);
    QCOMPARE(fit.scale, 5.0 / 6.0);
    // Far too narrow: a fill mark over the room there is.
    fit = CellFit::Of(QStringLiteral("127558"), 3 * a, a);
    QCOMPARE(fit.text, QStringLiteral("###"));
    QVERIFY(fit.cut);
    fit = CellFit::Of(QStringLiteral("-.250"), a / 2, a);
    QCOMPARE(fit.text, QStringLiteral("#"));
    // Names, "---" and blanks are not numbers: clipped as before.
    for (const QString& text : {QStringLiteral("Aaron, Hank"), QStringLiteral("    ---"),
                                QStringLiteral("1906 Chicago Cubs")}) {
        fit = CellFit::Of(text, 3 * a, a);
        QCOMPARE(fit.text, text);
        QVERIFY(!fit.cut && !fit.narrow);
    }
    QVERIFY(CellFit::IsNumber(u" 1,234.5% "));
    QVERIFY(!CellFit::IsNumber(u"1B"));

    // Drawn in the grid's font: ink stays inside a 37-pixel cell whose
    // five-digit room is one digit short.
    const FixedPitchText text(gridFont());
    const QRectF cell(0, 0, 37, 16);
    const CellFit hbp = text.fit(QStringLiteral("127558"), cell.width());
    QVERIFY(hbp.narrow || hbp.cut);
    const QImage image = drawn([&](QPainter& p) { text.draw(&p, cell, hbp); });
    const auto ink = inkColumns(image);
    QVERIFY(ink.first >= 0);
    QVERIFY2(ink.second < cell.right(), qPrintable(QString::number(ink.second)));
}

QTEST_MAIN(TestFixedPitchText)
#include "test_fixedpitchtext.moc"
