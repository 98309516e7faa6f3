#pragma once

#include <array>

#include <QFont>
#include <QGlyphRun>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QString>
#include <QStringView>

class QPainter;

// What a grid cell shows of a text, in a fixed-pitch font. A number never
// shows with digits missing: one too long for its cell loses its padding
// blanks and stands at the cell's right edge, else is drawn narrower down to
// MinScale of its width, else the cell is filled with '#' (the user widens
// the column to read it, the tooltip has it whole). Other texts are clipped
// at the cell's edge as they always were.
struct CellFit {
    static constexpr qreal MinScale = 0.7;

    QString text;        // drawn from the cell's left edge
    qreal scale = 1;     // horizontal scale it is drawn at
    bool cut = false;    // the cell does not show the whole value
    bool narrow = false; // drawn narrower than the font's width

    // Whether `text` is a number: digits with signs, points, commas or a
    // percent sign, blanks around.
    static bool IsNumber(QStringView text);
    // The fit of `text` in `width` pixels at `advance` pixels a character.
    static CellFit Of(const QString& text, qreal width, qreal advance);
};

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
    // Draws `fit` inside `cell`, one pixel in from its top-left corner.
    void draw(QPainter* painter, const QRectF& cell, const CellFit& fit) const;
    // The fit of `text` in a grid cell `cellWidth` pixels wide, as
    // draw(painter, cell, fit) draws it.
    CellFit fit(const QString& text, qreal cellWidth) const;
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
