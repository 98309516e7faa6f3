#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <QChar>
#include <QPageLayout>
#include <QRect>
#include <QString>
#include <QStringList>

// What one print run puts on the page: per chosen column its print width,
// and the texts of the two header lines, of each printed row and of the
// totals line, one text per column in the same order. Texts are not yet cut
// or padded: the layout does that per target.
struct PrintPage {
    std::vector<std::int32_t> widths;
    QStringList header1;
    QStringList header2;
    std::vector<QStringList> rows;
    QStringList totals;
};

// The messages of the two ways a print run can be refused.
inline const QString NoColumnsMessage = QStringLiteral("You haven't selected any columns to print");
inline const QString TooWideMessage =
    QStringLiteral("You have selected more than columns that can fit on a page.  De-select some "
                   "columns or select \"Fit to Page\".");
// A line of no characters would have glyph cells of infinite width.
inline const QString NoWidthMessage = QStringLiteral(
    "A printed line needs at least one character. Give the columns to print a width, or set the "
    "characters per line above 0.");

// Characters per line of a run, or the message that refuses it.
struct CharsPerLine {
    std::int64_t count = 0;
    QString error; // empty when count holds
};

// C for columns of `widths`: with `fitToPage` the larger of their sum and the
// minimum; otherwise the maximum, refused (TooWideMessage) when the sum is
// larger. The two field texts are read with ParseIntLenient. A C below 1 is
// refused with NoWidthMessage.
CharsPerLine CharactersPerLine(std::span<const std::int32_t> widths, bool fitToPage,
                               const QString& minimumText, const QString& maximumText);

// Characters of a printed line of `page`: the sum of its widths. Columns of
// numbers widened to keep their values whole can make it larger than the
// chosen line, which then grows to it rather than cut a value.
std::int64_t LineWidth(const PrintPage& page);

// A surface a print run draws on: the printer's page, a PDF page or the
// preview image. Coordinates are device units of the surface.
class PrintCanvas {
public:
    virtual ~PrintCanvas() = default;
    // Size of the surface (of one page).
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Width of `text` and height of a line in the surface's font.
    virtual std::int64_t textWidth(const QString& text) const = 0;
    virtual int textHeight() const = 0;
    // Draws `text` with its top-left corner at (x, y).
    virtual void drawText(std::int64_t x, std::int64_t y, const QString& text) = 0;
    // Stretches the glyph of `c` into `cell`; a character without a glyph
    // draws nothing.
    virtual void drawGlyph(QChar c, const QRect& cell) = 0;
    // Ends the page and starts the next one.
    virtual void newPage() = 0;
};

// Paper draws every character as a glyph scaled to fill C characters
// across; the preview draws text in the surface's font, under a ruler.
enum class PrintTarget { Paper, Preview };

// Margins of every target, in device units.
inline constexpr int PrintMargin = 12;

// Lays `page` out and draws it onto `canvas`, `charsPerLine` (at least 1)
// characters across: on paper glyph cells of width w = (R - margin) div
// (C + 1) (R is 98% of the page width; the line starts one cell right of the
// margin, so C characters always fit) and height w * 90 div 65, a new page
// when a row ends below the page height less 100 (headers are not
// repeated), cells past the bottom limit left out; in the preview text
// lines of the font's height under a ruler of 132 characters. Texts longer
// than their width are cut: data and totals to W characters on paper and to
// W - 1 and a blank in the preview, the second header line to W in the
// preview and to C on paper; the first header line only to C on paper. On
// paper a data or totals value that follows one filling its whole width and
// starts with a character begins one cell later, one character shorter:
// printed values never run together.
void DrawPrintPage(PrintCanvas& canvas, PrintTarget target, const PrintPage& page,
                   std::int64_t charsPerLine);

// Pages a paper run of `page` fills on a surface of `paintSize` device units.
int PaperPageCount(const PrintPage& page, std::int64_t charsPerLine, const QSize& paintSize);

// What the preview says of the paper the page set-up chose, for example
// "A4, portrait, margins 10 x 10 mm: 97 characters per line, 1 page".
QString PaperDescription(const QPageLayout& layout, std::int64_t charsPerLine, int pages);
