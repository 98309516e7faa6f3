#pragma once

#include <array>

#include <QFont>
#include <QGlyphRun>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QStringView>

class QPainter;

// Draws short single-line texts in a fixed-pitch font without the text
// layout engine: printable ASCII characters map to cached glyphs placed one
// advance apart, so a grid page of numbers costs little more than blitting
// its glyphs. Any other character sends the whole text through
// QPainter::drawText instead. Alignment is made by blanks, never measured.
class FixedPitchText {
public:
    // Prepares the glyphs of font (its size as the painter's device would
    // resolve it at 96 dpi).
    explicit FixedPitchText(const QFont& font);

    // Draws text with its top-left corner at topLeft in the painter's pen
    // colour; blanks only advance.
    void draw(QPainter* painter, QPointF topLeft, QStringView text) const;
    // Width in pixels of one character.
    qreal advance() const { return m_advance; }
    // Distance from the top of a line to its baseline.
    qreal ascent() const { return m_ascent; }
    // The font the texts are drawn in.
    const QFont& font() const { return m_font; }

private:
    QFont m_font;
    QRawFont m_raw;
    qreal m_advance = 0;
    qreal m_ascent = 0;
    std::array<quint32, 128> m_glyphs{};
    bool m_usable = false;
    // Scratch buffers reused by draw(); the grid draws from one thread.
    mutable QList<quint32> m_indexes;
    mutable QList<QPointF> m_positions;
    mutable QGlyphRun m_run;
};
