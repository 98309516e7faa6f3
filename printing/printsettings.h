#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "databases/columncatalogue.h"

// A saved print configuration: the line-width mode, the two character
// fields as they are shown, the whole column catalogue with the user's
// print widths, and the two column lists of the print options.
struct PrintSettings {
    bool fitToPage = true;
    QString maximumText; // the field's text as shown: five characters, "   80"
    QString minimumText;
    QList<CatalogueEntry> catalogue;
    QStringList available;
    QStringList toPrint;
};

// Longest description a settings file can put into the catalogue; longer
// ones are cut to it when read.
inline constexpr int MaxDescriptionLength = 100;

// The bytes of a settings file, one item a line, each line ended by CR LF:
// "TRUE" or "FALSE" (fit to page), the maximum field's text, the minimum
// field's text, the catalogue count N, N pairs of lines (description, print
// width), the available count and descriptions, the count to print and
// descriptions. Texts are written byte for byte (Latin-1).
QByteArray WritePrintSettings(const PrintSettings& settings);

// A settings file read whole, or why it cannot be used.
struct PrintSettingsRead {
    PrintSettings settings;
    // Empty when the file is whole; otherwise names the file, the line and
    // what is wrong there.
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Reads and checks a whole settings file (`fileName` names it in errors):
// every count is a number, the file holds as many lines as its counts call
// for, every width is a number and each character field holds at most five
// digits. Line 1 is "TRUE" for fit to page, anything else for the other mode.
// Lines may end in CR LF or LF; lines after the last list are ignored.
// Descriptions longer than MaxDescriptionLength are cut to it.
PrintSettingsRead ReadPrintSettings(const QByteArray& bytes, const QString& fileName);

// Why `settings` (read from `fileName`) cannot be loaded into the print
// options of a `kind` window without "More columns": the first column it
// names (in its catalogue or either list) that only that option has, named
// with the option; empty when it names none.
QString AddedColumnProblem(const PrintSettings& settings, DatabaseKind kind,
                           const QString& fileName);

// Reads the file at `path` with ReadPrintSettings; a file that cannot be
// opened or read, or one over a megabyte, gives an error naming it.
PrintSettingsRead LoadPrintSettings(const QString& path);
