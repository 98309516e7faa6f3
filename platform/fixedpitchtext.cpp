#include "platform/fixedpitchtext.h"

#include <algorithm>

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

bool CellFit::IsNumber(QStringView text) {
    const QStringView value = text.trimmed();
    bool digit = false;
    for (const QChar c : value) {
        if (c.isDigit()) {
            digit = true;
        } else if (c != u'.' && c != u',' && c != u'-' && c != u'+' && c != u'%') {
            return false;
        }
    }
    return digit;
}

CellFit CellFit::Of(const QString& text, qreal width, qreal advance) {
    CellFit fit;
    fit.text = text;
    const qreal needed = static_cast<qreal>(text.size()) * advance;
    if (needed <= width || advance <= 0 || !IsNumber(text)) {
        return fit;
    }
    const QString value = text.trimmed();
    const qsizetype room = static_cast<qsizetype>(width / advance);
    if (value.size() <= room) {
        // Right-aligned in the room there is, as the padding meant it.
        fit.text = QString(room - value.size(), QLatin1Char(' ')) + value;
        return fit;
    }
    const qreal scale = width / (static_cast<qreal>(value.size()) * advance);
    if (scale >= MinScale) {
        fit.text = value;
        fit.scale = scale;
        fit.narrow = true;
        return fit;
    }
    fit.text = QString(std::max<qsizetype>(room, 1), QLatin1Char('#'));
    fit.cut = true;
    return fit;
}

CellFit FixedPitchText::fit(const QString& text, qreal cellWidth) const {
    // One pixel of margin at each side, so that a number never touches its
    // neighbour's first digit.
    return CellFit::Of(text, cellWidth - 2, m_advance);
}

void FixedPitchText::draw(QPainter* painter, const QRectF& cell, const CellFit& fit) const {
    const QPointF topLeft(cell.left() + 1, cell.top() + 1);
    if (fit.scale == 1) {
        draw(painter, topLeft, fit.text);
        return;
    }
    painter->save();
    painter->translate(topLeft);
    painter->scale(fit.scale, 1);
    draw(painter, QPointF(0, 0), fit.text);
    painter->restore();
}
