#pragma once

#include <cstdint>
#include <string_view>
#include <variant>

#include <QString>

// How a database marks a real that does not exist.
enum class MissingReal {
    NegativeOrMillion, // any value below 0, or exactly 1,000,000
    MinusOne,          // exactly -1
    Million,           // exactly 1,000,000 (a figure that may be below 0)
};

// How one grid column turns its field into cell text.
enum class CellKind {
    Text,             // trailing blanks and tabs removed, cut to maxChars when set
    Integer,          // width characters, "---" when negative
    Real,             // width.decimals, "---" when missing; blankZero blanks a zero integer part
    GamesBehind,      // "    ---" for the leader (exactly 0), else a real 7.1
    CharAfterBlank,   // one blank, then the single character
    CharAlone,        // the single character alone
    PositionsPlayed,  // " ---" when the text holds "-1", else a blank and the trimmed text
    DashMeansMissing, // "---" when the text begins with "-", else the trimmed text
};

struct CellFormat {
    CellKind kind = CellKind::Text;
    int width = 0;          // Integer, Real: characters the text is padded to
    int decimals = 0;       // Real
    bool blankZero = false; // Real: a zero integer part shows as a blank
    int maxChars = 0;       // Text: characters kept (0 keeps all)
};

// Right-aligns `text` in `width` characters by blanks on the left; longer
// text is returned whole.
QString PadLeft(const QString& text, int width);

// `text` without trailing blanks and tabs, decoded as UTF-8, then cut to its
// first `maxChars` characters when maxChars > 0 (cut first, trimmed after).
QString FormatText(std::string_view text, int maxChars = 0);

// A count: "---" when negative, else its decimal digits; padded to `width`.
QString FormatInteger(std::int32_t value, int width);

// A real with `decimals` decimals and "." as separator, padded to `width`;
// "---" (padded the same way) when `missing` says the value does not exist.
// With `blankZero` a zero integer part is replaced by a blank, so 0.3 in 5
// shows " .300"; larger values keep their digits.
QString FormatReal(double value, int width, int decimals, bool blankZero, MissingReal missing);

// Games behind: exactly 0 (the leading club) shows "    ---"; otherwise a real
// of width 7 with 1 decimal, "---" when missing.
QString FormatGamesBehind(double value, MissingReal missing);

// A single-character field, '\0' drawing as nothing; with a leading blank
// when `afterBlank`.
QString FormatChar(char value, bool afterBlank);

// Positions played: " ---" when the text contains "-1", else a blank followed
// by the text without trailing blanks.
QString FormatPositionsPlayed(std::string_view text);

// Fielding position or division: "---" when the text begins with "-", else
// the text without trailing blanks.
QString FormatDashMeansMissing(std::string_view text);

// One record field as a column reads it.
using FieldValue = std::variant<std::int32_t, double, char, std::string_view>;

// The cell text of `value` under `format`; a value whose type does not fit
// the format gives an empty text.
QString FormatCell(const CellFormat& format, const FieldValue& value, MissingReal missing);
