#include "databases/cellformat.h"

#include <charconv>

namespace {

bool realIsMissing(double value, MissingReal missing) {
    if (missing == MissingReal::MinusOne) {
        return value == -1.0;
    }
    if (missing == MissingReal::Million) {
        return value == 1000000.0;
    }
    return value < 0.0 || value == 1000000.0;
}

// Fixed-point text of `value`, independent of the C and Qt locales.
QString fixedText(double value, int decimals) {
    if (value == 0.0) {
        value = 0.0; // drops the sign of -0.0
    }
    char buffer[400];
    auto [ptr, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        return QStringLiteral("---");
    }
    return QString::fromLatin1(buffer, ptr - buffer);
}

} // namespace

QString PadLeft(const QString& text, int width) {
    if (text.size() >= width) {
        return text;
    }
    return QString(width - text.size(), QLatin1Char(' ')) + text;
}

QString FormatText(std::string_view text, int maxChars) {
    QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (maxChars > 0 && decoded.size() > maxChars) {
        decoded.truncate(maxChars);
    }
    qsizetype end = decoded.size();
    while (end > 0 &&
           (decoded[end - 1] == QLatin1Char(' ') || decoded[end - 1] == QLatin1Char('\t'))) {
        --end;
    }
    decoded.truncate(end);
    return decoded;
}

QString FormatInteger(std::int32_t value, int width) {
    if (value < 0) {
        return PadLeft(QStringLiteral("---"), width);
    }
    return PadLeft(QString::number(value), width);
}

QString FormatReal(double value, int width, int decimals, bool blankZero, MissingReal missing) {
    if (realIsMissing(value, missing)) {
        return PadLeft(QStringLiteral("---"), width);
    }
    QString text = PadLeft(fixedText(value, decimals), width);
    if (blankZero) {
        // The integer part is zero when the character before the point is a
        // "0" that starts the text or follows a blank; negative values keep it.
        qsizetype point = text.indexOf(QLatin1Char('.'));
        if (point > 0 && text[point - 1] == QLatin1Char('0') &&
            (point == 1 || text[point - 2] == QLatin1Char(' '))) {
            text[point - 1] = QLatin1Char(' ');
        }
    }
    return text;
}

QString FormatGamesBehind(double value, MissingReal missing) {
    if (value == 0.0) {
        return QStringLiteral("    ---");
    }
    return FormatReal(value, 7, 1, false, missing);
}

QString FormatChar(char value, bool afterBlank) {
    QString text = afterBlank ? QStringLiteral(" ") : QString();
    if (value != '\0') {
        text += QChar::fromLatin1(value);
    }
    return text;
}

QString FormatPositionsPlayed(std::string_view text) {
    if (text.find("-1") != std::string_view::npos) {
        return QStringLiteral(" ---");
    }
    return QLatin1Char(' ') + FormatText(text);
}

QString FormatDashMeansMissing(std::string_view text) {
    if (!text.empty() && text.front() == '-') {
        return QStringLiteral("---");
    }
    return FormatText(text);
}

QString FormatCell(const CellFormat& format, const FieldValue& value, MissingReal missing) {
    const auto* number = std::get_if<std::int32_t>(&value);
    const auto* real = std::get_if<double>(&value);
    const auto* character = std::get_if<char>(&value);
    const auto* text = std::get_if<std::string_view>(&value);
    switch (format.kind) {
    case CellKind::Text:
        return text ? FormatText(*text, format.maxChars) : QString();
    case CellKind::Integer:
        return number ? FormatInteger(*number, format.width) : QString();
    case CellKind::Real:
        return real ? FormatReal(*real, format.width, format.decimals, format.blankZero, missing)
                    : QString();
    case CellKind::GamesBehind:
        return real ? FormatGamesBehind(*real, missing) : QString();
    case CellKind::CharAfterBlank:
        return character ? FormatChar(*character, true) : QString();
    case CellKind::CharAlone:
        return character ? FormatChar(*character, false) : QString();
    case CellKind::PositionsPlayed:
        return text ? FormatPositionsPlayed(*text) : QString();
    case CellKind::DashMeansMissing:
        return text ? FormatDashMeansMissing(*text) : QString();
    }
    return QString();
}
