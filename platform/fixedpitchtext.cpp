#include "platform/fixedpitchtext.h"

#include <QFontMetricsF>
#include <QPainter>

FixedPitchText::FixedPitchText(const QFont& font) : m_font(font) {
    m_raw = QRawFont::fromFont(font);
    const QFontMetricsF metrics(font);
    m_ascent = metrics.ascent();
    m_advance = metrics.horizontalAdvance(QLatin1Char('0'));
    if (!m_raw.isValid()) {
        return;
    }
    QString ascii;
    for (char16_t c = 32; c < 127; ++c) {
        ascii.append(QChar(c));
    }
    const QList<quint32> glyphs = m_raw.glyphIndexesForString(ascii);
    if (glyphs.size() != ascii.size()) {
        return;
    }
    m_usable = true;
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        // A character the font lacks keeps the slow path for texts using it.
        m_glyphs[static_cast<size_t>(32 + i)] = glyphs[i];
    }
    m_run.setRawFont(m_raw);
}

void FixedPitchText::draw(QPainter* painter, QPointF topLeft, QStringView text) const {
    bool simple = m_usable;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 32 || u >= 127 || (u != ' ' && m_glyphs[u] == 0)) {
            simple = false;
            break;
        }
    }
    if (!simple) {
        const QFont old = painter->font();
        painter->setFont(m_font);
        painter->drawText(QPointF(topLeft.x(), topLeft.y() + m_ascent), text.toString());
        painter->setFont(old);
        return;
    }
    m_indexes.resize(0);
    m_positions.resize(0);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u == ' ') {
            continue;
        }
        m_indexes.append(m_glyphs[u]);
        m_positions.append(QPointF(static_cast<qreal>(i) * m_advance, 0));
    }
    if (m_indexes.isEmpty()) {
        return;
    }
    m_run.setGlyphIndexes(m_indexes);
    m_run.setPositions(m_positions);
    painter->drawGlyphRun(QPointF(topLeft.x(), topLeft.y() + m_ascent), m_run);
    // Let go of the buffers so the next text fills them without a copy.
    m_run.setGlyphIndexes({});
    m_run.setPositions({});
}
