#pragma once

#include <array>

#include <QChar>
#include <QImage>
#include <QString>

// The print glyphs: one 65 x 90 one-bit picture with the colour table
// [black, white] per character that has one (GlyphCharacters), loaded from
// the program's resources. A print run loads them once per drawing pass and
// draws every cell of a character from the same picture, so a PDF holds
// each picture once.
class GlyphSet {
public:
    static constexpr int Width = 65;
    static constexpr int Height = 90;

    // Loads all 67 glyphs; error() names one that is missing or malformed.
    GlyphSet();

    // The glyph of `c`, or null for a character without one.
    const QImage* glyph(QChar c) const;
    // Empty when every glyph loaded.
    const QString& error() const { return m_error; }

private:
    std::array<QImage, 128> m_glyphs; // by character code; null: no glyph
    QString m_error;
};
