#pragma once

#include <string>
#include <string_view>

// The characters that have a print glyph, 67 in all. Every other character
// (the blank, "%", "/", "(", ")", "=", "+" and the rest) leaves its cell
// empty on paper.
inline constexpr std::string_view GlyphCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789,-\".'";

// The resource name of the glyph of `c` ("R-UA" for A, "R-LA" for a, "R-0"
// for 0, "R-COMMA", "R-DASH", "R-DOUBLEQUOTE", "R-PERIOD", "R-SINGLEQUOTE"),
// or an empty text for a character without a glyph.
inline std::string GlyphResourceName(char c) {
    if (c >= 'A' && c <= 'Z') {
        return std::string("R-U") + c;
    }
    if (c >= 'a' && c <= 'z') {
        return std::string("R-L") + static_cast<char>(c - 'a' + 'A');
    }
    if (c >= '0' && c <= '9') {
        return std::string("R-") + c;
    }
    switch (c) {
    case ',':
        return "R-COMMA";
    case '-':
        return "R-DASH";
    case '"':
        return "R-DOUBLEQUOTE";
    case '.':
        return "R-PERIOD";
    case '\'':
        return "R-SINGLEQUOTE";
    default:
        return {};
    }
}
