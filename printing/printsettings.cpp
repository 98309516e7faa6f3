#include "printing/printsettings.h"

#include <cstdint>
#include <limits>
#include <utility>

#include <QFile>
#include <QRegularExpression>

namespace {

void addLine(QByteArray& out, const QString& text) {
    out += text.toLatin1();
    out += "\r\n";
}

// The lines of a file, each without its CR LF (or LF). A last line without
// an end counts as a line; the empty piece after a final line end does not.
QList<QByteArray> splitLines(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();
    }
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    return lines;
}

// A bad line as a message quotes it: at most 24 characters, each one that
// is not plain printable ASCII (control codes, binary bytes) as "?", "..."
// when cut.
QString excerpt(const QString& line) {
    constexpr qsizetype Shown = 24;
    QString text = line.left(Shown);
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e) {
            c = QLatin1Char('?');
        }
    }
    return line.size() > Shown ? text + QStringLiteral("...") : text;
}

// Reads the lines of one file in order, remembering where it is so that
// each complaint names the line.
class LineReader {
public:
    LineReader(const QByteArray& bytes, QString fileName)
        : m_lines(splitLines(bytes)), m_fileName(std::move(fileName)) {}

    // The next line, or false with the error set when the file has ended.
    bool next(QString& line, const QString& what) {
        if (m_next >= m_lines.size()) {
            setError(QStringLiteral("it ends after line %1, but its counts call for more: line "
                                    "%2 should hold %3")
                         .arg(m_lines.size())
                         .arg(m_lines.size() + 1)
                         .arg(what));
            return false;
        }
        line = QString::fromLatin1(m_lines[m_next++]);
        return true;
    }

    // A count line: a whole number of zero or more (blanks around allowed).
    bool count(qsizetype& value, const QString& what) {
        QString line;
        if (!next(line, what)) {
            return false;
        }
        qlonglong number = 0;
        if (!readNumber(line, number) || number < 0) {
            return failHere(QStringLiteral("%1 \"%2\" is not a number").arg(what, excerpt(line)));
        }
        // A count past the lines left is caught when they run out.
        value = static_cast<qsizetype>(number);
        return true;
    }

    // A print width: a whole number within the signed 32-bit range.
    bool width(std::int32_t& value, const QString& description) {
        QString line;
        const QString what = QStringLiteral("the print width of \"%1\"").arg(excerpt(description));
        if (!next(line, what)) {
            return false;
        }
        qlonglong number = 0;
        if (!readNumber(line, number) || number < std::numeric_limits<std::int32_t>::min() ||
            number > std::numeric_limits<std::int32_t>::max()) {
            return failHere(QStringLiteral("%1 \"%2\" is not a number").arg(what, excerpt(line)));
        }
        value = static_cast<std::int32_t>(number);
        return true;
    }

    // A character field's text: at most five digits, blanks around allowed.
    bool field(QString& text, const QString& what) {
        if (!next(text, what)) {
            return false;
        }
        static const QRegularExpression fieldText(QStringLiteral("^ *[0-9]{0,5} *$"));
        if (!fieldText.match(text).hasMatch()) {
            return failHere(QStringLiteral("%1 \"%2\" is not a number of at most five digits")
                                .arg(what, excerpt(text)));
        }
        return true;
    }

    const QString& error() const { return m_error; }

private:
    // Whole decimal numbers only, with an optional sign and blanks around.
    static bool readNumber(const QString& line, qlonglong& number) {
        static const QRegularExpression decimal(QStringLiteral("^ *[+-]?[0-9]{1,18} *$"));
        if (!decimal.match(line).hasMatch()) {
            return false;
        }
        bool ok = false;
        number = line.trimmed().toLongLong(&ok);
        return ok;
    }

    // Complains about the line just read.
    bool failHere(const QString& reason) {
        setError(QStringLiteral("line %1: %2").arg(m_next).arg(reason));
        return false;
    }

    void setError(const QString& reason) {
        m_error = QStringLiteral("The print settings file \"%1\" cannot be loaded: %2. Nothing was "
                                 "changed.")
                      .arg(m_fileName, reason);
    }

    QList<QByteArray> m_lines;
    QString m_fileName;
    qsizetype m_next = 0;
    QString m_error;
};

bool readList(LineReader& reader, QStringList& list, const QString& countName,
              const QString& itemName) {
    qsizetype count = 0;
    if (!reader.count(count, countName)) {
        return false;
    }
    list.clear();
    for (qsizetype i = 0; i < count; ++i) {
        QString line;
        if (!reader.next(line, itemName.arg(i + 1).arg(count))) {
            return false;
        }
        list.append(line);
    }
    return true;
}

} // namespace

QByteArray WritePrintSettings(const PrintSettings& settings) {
    QByteArray out;
    addLine(out, settings.fitToPage ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    addLine(out, settings.maximumText);
    addLine(out, settings.minimumText);
    addLine(out, QString::number(settings.catalogue.size()));
    for (const CatalogueEntry& entry : settings.catalogue) {
        addLine(out, entry.description);
        addLine(out, QString::number(entry.printWidth));
    }
    addLine(out, QString::number(settings.available.size()));
    for (const QString& description : settings.available) {
        addLine(out, description);
    }
    addLine(out, QString::number(settings.toPrint.size()));
    for (const QString& description : settings.toPrint) {
        addLine(out, description);
    }
    return out;
}

PrintSettingsRead ReadPrintSettings(const QByteArray& bytes, const QString& fileName) {
    LineReader reader(bytes, fileName);
    PrintSettingsRead read;
    PrintSettings& s = read.settings;
    QString mode;
    qsizetype entries = 0;
    bool whole = reader.next(mode, QStringLiteral("the fit-to-page switch")) &&
                 reader.field(s.maximumText, QStringLiteral("the maximum characters per line")) &&
                 reader.field(s.minimumText, QStringLiteral("the minimum characters per line")) &&
                 reader.count(entries, QStringLiteral("the column count"));
    for (qsizetype i = 0; whole && i < entries; ++i) {
        CatalogueEntry entry;
        whole = reader.next(
                    entry.description,
                    QStringLiteral("the description of column %1 of %2").arg(i + 1).arg(entries)) &&
                reader.width(entry.printWidth, entry.description);
        entry.description.truncate(MaxDescriptionLength);
        s.catalogue.append(entry);
    }
    whole = whole &&
            readList(reader, s.available, QStringLiteral("the count of available columns"),
                     QStringLiteral("available column %1 of %2")) &&
            readList(reader, s.toPrint, QStringLiteral("the count of columns to print"),
                     QStringLiteral("column to print %1 of %2"));
    if (!whole) {
        return PrintSettingsRead{PrintSettings{}, reader.error()};
    }
    s.fitToPage = mode == QStringLiteral("TRUE");
    return read;
}

PrintSettingsRead LoadPrintSettings(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return PrintSettingsRead{
            PrintSettings{}, QStringLiteral("The print settings file \"%1\" cannot be opened: %2.")
                                 .arg(path, file.errorString())};
    }
    // A settings file holds a few kilobytes; anything far larger is some
    // other file and is not read into memory.
    constexpr qint64 MostBytes = 1024 * 1024;
    if (file.size() > MostBytes) {
        return PrintSettingsRead{
            PrintSettings{},
            QStringLiteral("The file \"%1\" is too large to be a print settings file.").arg(path)};
    }
    const QByteArray bytes = file.read(MostBytes);
    if (file.error() != QFileDevice::NoError) {
        return PrintSettingsRead{
            PrintSettings{}, QStringLiteral("The print settings file \"%1\" cannot be read: %2.")
                                 .arg(path, file.errorString())};
    }
    return ReadPrintSettings(bytes, path);
}

QString AddedColumnProblem(const PrintSettings& settings, DatabaseKind kind,
                           const QString& fileName) {
    QStringList named;
    for (const CatalogueEntry& entry : settings.catalogue)
        named << entry.description;
    named << settings.available << settings.toPrint;
    const QString column = AddedColumnNamed(kind, named);
    if (column.isEmpty())
        return {};
    return QStringLiteral("The print settings file \"%1\" names the column \"%2\", which "
                          "only \"More columns\" shows. Turn on Options > More columns for "
                          "this window, then load the file again. The print options are "
                          "unchanged.")
        .arg(fileName, column.trimmed());
}
