#pragma once

#include <vector>

#include <QChar>
#include <QRect>
#include <QString>

#include "printing/printlayout.h"

// A print canvas that keeps what the layout drew: texts with their
// positions, glyph cells with their characters, and page breaks. Every
// character is `charWidth` wide and a line `lineHeight` high.
class RecordingCanvas : public PrintCanvas {
public:
    struct Text {
        std::int64_t x, y;
        QString text;
        int page;
    };
    struct Glyph {
        QChar c;
        QRect cell;
        int page;
    };

    RecordingCanvas(int width, int height, int charWidth = 9, int lineHeight = 17)
        : m_width(width), m_height(height), m_charWidth(charWidth), m_lineHeight(lineHeight) {}

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    std::int64_t textWidth(const QString& text) const override {
        return text.size() * std::int64_t{m_charWidth};
    }
    int textHeight() const override { return m_lineHeight; }
    void drawText(std::int64_t x, std::int64_t y, const QString& text) override {
        texts.push_back({x, y, text, pages});
    }
    void drawGlyph(QChar c, const QRect& cell) override { glyphs.push_back({c, cell, pages}); }
    void newPage() override { ++pages; }

    std::vector<Text> texts;
    std::vector<Glyph> glyphs;
    int pages = 0; // page breaks so far

private:
    int m_width, m_height, m_charWidth, m_lineHeight;
};
