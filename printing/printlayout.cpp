#include "printing/printlayout.h"

#include <algorithm>
#include <limits>

#include "databases/parseintlenient.h"

namespace {

enum class LineKind { Header1, Header2, Row };

std::int32_t lenient(const QString& text) {
    return ParseIntLenient(text.toLatin1().toStdString());
}

// The pen and the limits of one drawing pass.
struct Pen {
    std::int64_t x = PrintMargin;
    std::int64_t y = PrintMargin;
    std::int64_t right = 0;  // R
    std::int64_t bottom = 0; // B
    std::int64_t cell = 0;   // w, paper only
    std::int64_t line = 0;   // h
};

// Clamps a coordinate to what a rectangle can hold; such cells lie far
// outside every page and are not drawn anyway.
int toInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min() / 2,
                                                     std::numeric_limits<int>::max() / 2));
}

void drawPreviewLine(PrintCanvas& canvas, Pen& pen, LineKind kind, const QStringList& texts,
                     const std::vector<std::int32_t>& widths) {
    const std::int64_t blank = canvas.textWidth(QStringLiteral(" "));
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const std::int64_t width = widths[i];
        QString text = texts.value(static_cast<qsizetype>(i));
        if (text.size() > width) {
            if (kind == LineKind::Row) {
                text = text.left(std::max<std::int64_t>(width - 1, 0)) + QLatin1Char(' ');
            } else if (kind == LineKind::Header2) {
                text = text.left(std::max<std::int64_t>(width, 0));
            }
        }
        canvas.drawText(pen.x, pen.y, text);
        pen.x += canvas.textWidth(text);
        if (width > text.size()) {
            pen.x += (width - text.size()) * blank;
        }
    }
}

void drawPaperLine(PrintCanvas& canvas, Pen& pen, LineKind kind, const QStringList& texts,
                   const std::vector<std::int32_t>& widths, std::int64_t charsPerLine) {
    const std::int64_t cellHeight = pen.cell * 90 / 65;
    // Whether the value before filled its whole width: a value that starts
    // with a character then begins one cell later (one character shorter),
    // so that values never run together.
    bool previousFilled = false;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const std::int64_t width = widths[i];
        const QString text = texts.value(static_cast<qsizetype>(i));
        const std::int64_t length = text.size();
        std::int64_t shown =
            kind == LineKind::Row ? std::min(width, length) : std::min(length, charsPerLine);
        std::int64_t skipped = 0;
        if (kind == LineKind::Row && previousFilled && shown > 0 && width > 0 &&
            text.front() != QLatin1Char(' ')) {
            skipped = 1;
            shown = std::min(shown, width - 1);
            pen.x += pen.cell;
        }
        previousFilled = width > 0 && shown + skipped == width;
        for (std::int64_t k = 0; k < shown; ++k) {
            pen.x += pen.cell;
            if (pen.x + pen.cell <= pen.right && pen.y + cellHeight < pen.bottom) {
                canvas.drawGlyph(
                    text[static_cast<qsizetype>(k)],
                    QRect(toInt(pen.x), toInt(pen.y), toInt(pen.cell), toInt(cellHeight)));
            }
        }
        // Rows pad what they showed up to the width; headers pad their whole
        // text (a longer title pushes the next column on).
        const std::int64_t used = kind == LineKind::Row ? shown + skipped : length;
        if (width > used) {
            pen.x += (width - used) * pen.cell;
        }
    }
}

// The ruler above the preview: 132 bars, then the digits 1 to 9 and 0 at
// every tenth character.
void drawRuler(PrintCanvas& canvas, Pen& pen) {
    canvas.drawText(PrintMargin, pen.y, QString(132, QLatin1Char('|')));
    pen.y += pen.line;
    QString digits;
    for (int group = 1; group <= 13; ++group) {
        digits += QString(9, QLatin1Char(' ')) + QChar(u'0' + group % 10);
    }
    canvas.drawText(PrintMargin, pen.y, digits);
    pen.y += pen.line;
}

} // namespace

CharsPerLine CharactersPerLine(std::span<const std::int32_t> widths, bool fitToPage,
                               const QString& minimumText, const QString& maximumText) {
    std::int64_t total = 0;
    for (const std::int32_t width : widths) {
        total += width;
    }
    CharsPerLine result;
    if (fitToPage) {
        result.count = std::max<std::int64_t>(total, lenient(minimumText));
    } else {
        const std::int64_t maximum = lenient(maximumText);
        if (maximum < total) {
            result.error = TooWideMessage;
            return result;
        }
        result.count = maximum;
    }
    if (result.count < 1) {
        result.error = NoWidthMessage;
    }
    return result;
}

std::int64_t LineWidth(const PrintPage& page) {
    std::int64_t total = 0;
    for (const std::int32_t width : page.widths) {
        total += width;
    }
    return total;
}

void DrawPrintPage(PrintCanvas& canvas, PrintTarget target, const PrintPage& page,
                   std::int64_t charsPerLine) {
    charsPerLine = std::max<std::int64_t>(charsPerLine, 1);
    const bool paper = target == PrintTarget::Paper;
    Pen pen;
    pen.right = paper ? static_cast<std::int64_t>(canvas.width() * 0.98) : canvas.width();
    pen.bottom = canvas.height();
    // On paper the line starts one cell right of the margin, so the margin,
    // that cell and C cells share R: every chosen character fits.
    pen.cell = paper ? std::max<std::int64_t>(pen.right - PrintMargin, 0) / (charsPerLine + 1)
                     : pen.right / charsPerLine;
    pen.line = paper ? pen.cell * 90 / 65 : canvas.textHeight();

    const auto drawLine = [&](LineKind kind, const QStringList& texts) {
        pen.x = PrintMargin;
        if (paper) {
            drawPaperLine(canvas, pen, kind, texts, page.widths, charsPerLine);
        } else {
            drawPreviewLine(canvas, pen, kind, texts, page.widths);
        }
    };

    if (!paper) {
        drawRuler(canvas, pen);
    }
    drawLine(LineKind::Header1, page.header1);
    pen.y += pen.line;
    drawLine(LineKind::Header2, page.header2);
    // On paper a line whose cells would pass the bottom goes to the next
    // page, where lines start one line below the top margin, as after the
    // page-end rule; its cells would otherwise be left out. Lines too tall
    // for any page stay where they are.
    const bool linesFit = PrintMargin + 2 * pen.line < pen.bottom;
    const auto keepOnPage = [&] {
        if (paper && linesFit && pen.y + pen.line >= pen.bottom) {
            canvas.newPage();
            pen.y = PrintMargin + pen.line;
        }
    };
    for (const QStringList& row : page.rows) {
        pen.y += pen.line;
        keepOnPage();
        drawLine(LineKind::Row, row);
        if (paper && pen.y > pen.bottom - 100) {
            canvas.newPage();
            pen.y = PrintMargin;
        }
    }
    // The gap before the totals follows the glyph height in both targets.
    pen.y += paper ? pen.line : (pen.right / charsPerLine) * 90 / 65;
    keepOnPage();
    drawLine(LineKind::Row, page.totals);
}

namespace {

// A surface that only counts the pages drawn on it.
class PageCountingCanvas : public PrintCanvas {
public:
    explicit PageCountingCanvas(const QSize& size) : m_size(size) {}
    int width() const override { return m_size.width(); }
    int height() const override { return m_size.height(); }
    std::int64_t textWidth(const QString& text) const override { return text.size(); }
    int textHeight() const override { return 1; }
    void drawText(std::int64_t, std::int64_t, const QString&) override {}
    void drawGlyph(QChar, const QRect&) override {}
    void newPage() override { ++pages; }
    int pages = 1;

private:
    QSize m_size;
};

} // namespace

int PaperPageCount(const PrintPage& page, std::int64_t charsPerLine, const QSize& paintSize) {
    PageCountingCanvas canvas(paintSize);
    DrawPrintPage(canvas, PrintTarget::Paper, page, charsPerLine);
    return canvas.pages;
}

QString PaperDescription(const QPageLayout& layout, std::int64_t charsPerLine, int pages) {
    const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
    return QStringLiteral("%1, %2, margins %3 x %4 mm: %5 characters per line, %6")
        .arg(layout.pageSize().name(), layout.orientation() == QPageLayout::Landscape
                                           ? QStringLiteral("landscape")
                                           : QStringLiteral("portrait"))
        .arg(qRound(margins.left()))
        .arg(qRound(margins.top()))
        .arg(charsPerLine)
        .arg(pages == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(pages));
}
