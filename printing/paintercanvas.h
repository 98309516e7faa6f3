#pragma once

#include <functional>

#include <QFont>
#include <QFontMetrics>
#include <QSize>

#include "printing/printlayout.h"

class GlyphSet;
class QPainter;

// The font of the preview: "Courier New" (Liberation Mono on Debian) at a
// pixel size whose characters are a whole 9 pixels wide, so that the text
// lines up with the ruler.
QFont PreviewFont();

// A print canvas over a QPainter: the printer, a PDF writer or the preview
// image. Text is drawn in the painter's font (set it before), glyphs from
// `glyphs` (may be null where none are drawn). `newPage` ends a page and
// starts the next; without one the surface has a single page.
class PainterCanvas : public PrintCanvas {
public:
    PainterCanvas(QPainter& painter, QSize size, const GlyphSet* glyphs,
                  std::function<void()> newPage = {});

    int width() const override { return m_size.width(); }
    int height() const override { return m_size.height(); }
    std::int64_t textWidth(const QString& text) const override;
    int textHeight() const override { return m_metrics.height(); }
    void drawText(std::int64_t x, std::int64_t y, const QString& text) override;
    void drawGlyph(QChar c, const QRect& cell) override;
    void newPage() override;

private:
    QPainter& m_painter;
    QSize m_size;
    const GlyphSet* m_glyphs;
    std::function<void()> m_newPage;
    QFontMetrics m_metrics;
};
