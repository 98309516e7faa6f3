#include "printing/paintercanvas.h"

#include <QPainter>

#include "printing/glyphset.h"

QFont PreviewFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(15);
    return font;
}

PainterCanvas::PainterCanvas(QPainter& painter, QSize size, const GlyphSet* glyphs,
                             std::function<void()> newPage)
    : m_painter(painter), m_size(size), m_glyphs(glyphs), m_newPage(std::move(newPage)),
      m_metrics(painter.font(), painter.device()) {}

std::int64_t PainterCanvas::textWidth(const QString& text) const {
    return m_metrics.horizontalAdvance(text);
}

void PainterCanvas::drawText(std::int64_t x, std::int64_t y, const QString& text) {
    // Text that starts outside the surface cannot show.
    if (x > m_size.width() || y > m_size.height() || text.isEmpty()) {
        return;
    }
    m_painter.drawText(QPoint(static_cast<int>(x), static_cast<int>(y) + m_metrics.ascent()), text);
}

void PainterCanvas::drawGlyph(QChar c, const QRect& cell) {
    if (m_glyphs == nullptr) {
        return;
    }
    if (const QImage* glyph = m_glyphs->glyph(c)) {
        m_painter.drawImage(cell, *glyph);
    }
}

void PainterCanvas::newPage() {
    if (m_newPage) {
        m_newPage();
    }
}
