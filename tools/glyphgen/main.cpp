// Draws the print glyphs: one 65 x 90 one-bit picture per character that
// printing draws on paper, from a fixed-pitch font, plus the resource file
// that lists them under their resource names ("R-UA" and so on).
//
// Each picture has the colour table [black, white] (index 0 ink, index 1
// paper): the PDF writer keeps exactly such pictures lossless. The character
// is drawn anti-aliased in grey and cut at half intensity, at the one font
// size that fits the font's whole height (ascent and descent) into the cell,
// centred across the cell on the font's own baseline.
//
// Usage: glyphgen OUTPUT_DIR [FONT_FILE]
//   writes OUTPUT_DIR/glyphs/R-*.png and OUTPUT_DIR/glyphs.qrc; the font
//   defaults to Liberation Mono (Debian package fonts-liberation).

#include <cmath>
#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include "printing/glyphnames.h"

namespace {

constexpr int CellWidth = 65;
constexpr int CellHeight = 90;
constexpr const char* DefaultFont =
    "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";

// The largest pixel size whose ascent plus descent fits the cell height and
// whose advance fits the cell width.
QFont fittingFont(const QString& family) {
    QFont font(family);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    for (int size = CellHeight; size > 4; --size) {
        font.setPixelSize(size);
        const QFontMetricsF metrics(font);
        if (metrics.ascent() + metrics.descent() <= CellHeight &&
            metrics.horizontalAdvance(QLatin1Char('M')) <= CellWidth) {
            return font;
        }
    }
    return font;
}

QImage drawGlyph(const QFont& font, char c) {
    QImage grey(CellWidth, CellHeight, QImage::Format_Grayscale8);
    grey.fill(Qt::white);
    {
        QPainter painter(&grey);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const QFontMetricsF metrics(font);
        const QString text{QLatin1Char(c)};
        const double left = (CellWidth - metrics.horizontalAdvance(text)) / 2.0;
        // The font's ascent and descent share out the cell's spare height.
        const double spare = CellHeight - metrics.ascent() - metrics.descent();
        const double baseline = spare / 2.0 + metrics.ascent();
        painter.drawText(QPointF(left, baseline), text);
    }
    QImage glyph(CellWidth, CellHeight, QImage::Format_Mono);
    glyph.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    glyph.fill(1);
    for (int y = 0; y < CellHeight; ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < CellWidth; ++x) {
            if (row[x] < 128) {
                glyph.setPixel(x, y, 0);
            }
        }
    }
    return glyph;
}

// True when `path` reads back as a one-bit picture of the cell size with the
// colour table [black, white].
bool readsBackExactly(const QString& path) {
    const QImage back(path);
    const QList<QRgb> table{qRgb(0, 0, 0), qRgb(255, 255, 255)};
    return back.width() == CellWidth && back.height() == CellHeight &&
           back.format() == QImage::Format_Mono && back.colorTable() == table;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: glyphgen OUTPUT_DIR [FONT_FILE]\n");
        return 2;
    }
    const QString fontFile = QString::fromLocal8Bit(argc == 3 ? argv[2] : DefaultFont);
    const int id = QFontDatabase::addApplicationFont(fontFile);
    if (id < 0 || QFontDatabase::applicationFontFamilies(id).isEmpty()) {
        std::fprintf(stderr, "glyphgen: cannot load the font %s\n", qPrintable(fontFile));
        return 1;
    }
    const QFont font = fittingFont(QFontDatabase::applicationFontFamilies(id).front());
    if (!QFontInfo(font).fixedPitch()) {
        std::fprintf(stderr, "glyphgen: %s is not a fixed-pitch font\n", qPrintable(fontFile));
        return 1;
    }

    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("glyphs"))) {
        std::fprintf(stderr, "glyphgen: cannot create %s/glyphs\n", argv[1]);
        return 1;
    }
    QFile qrc(out.filePath(QStringLiteral("glyphs.qrc")));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "glyphgen: cannot write %s\n", qPrintable(qrc.fileName()));
        return 1;
    }
    QTextStream list(&qrc);
    list << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/glyphs\">\n";
    for (const char c : GlyphCharacters) {
        const QString name = QString::fromStdString(GlyphResourceName(c));
        const QString file = QStringLiteral("glyphs/%1.png").arg(name);
        const QString path = out.filePath(file);
        if (!drawGlyph(font, c).save(path, "PNG") || !readsBackExactly(path)) {
            std::fprintf(stderr, "glyphgen: cannot write %s as a one-bit picture\n",
                         qPrintable(path));
            return 1;
        }
        list << "    <file alias=\"" << name << "\">" << file << "</file>\n";
    }
    list << "</qresource>\n</RCC>\n";
    std::printf("glyphgen: %d glyphs, %s %d px\n", static_cast<int>(GlyphCharacters.size()),
                qPrintable(font.family()), font.pixelSize());
    return 0;
}
