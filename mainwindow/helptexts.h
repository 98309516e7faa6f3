#pragma once

#include <QString>
#include <QStringList>

#include "mainwindow/moredefinitions.h"

// A help text window's content: its caption and its lines, in order.
struct HelpText {
    QString caption;
    QStringList lines;
};

// The attribution the program carries wherever it shows the statistics.
QString dataAttribution();

// One definitions line: abbreviation left-aligned in width characters, then
// "- " and meaning. With no meaning the line is the abbreviation alone; an
// abbreviation of width characters or more is followed by one blank.
QString definitionLine(const QString& abbreviation, const QString& meaning, int width);

// Statistics definitions of one database (0 batters, 1 pitchers, 2 fielders,
// 3 teams): caption, then a heading line, an empty line and one line per
// grid column, then the lines of moreColumnsLines. Any other number gives an
// empty text.
HelpText statisticsDefinitions(int database);

// The columns "More columns" adds to a database, after an empty line and a
// heading: a definitions line each (as definitionLine, a long meaning wrapped
// onto lines indented past the "- "), the notes on combined lines and TOTALS,
// and, where the database has published figures, a table of ours beside them.
// Empty for an unknown database.
QStringList moreColumnsLines(int database);

// lead followed by the words of text, in lines of at most lineWidth
// characters (a longer word stands alone), broken at blanks; every line after
// the first starts with indent. No line when text has no word.
QStringList wrappedLines(const QString& lead, const QString& text, int lineWidth,
                         const QString& indent);

// A figure's label in the figures table: "Babe Ruth 1920 OPS+", or "career" in
// place of the season.
QString figureLabel(const moredefinitions::Figure& figure);

// The data sources: caption, an empty line, the heading, an empty line, 17
// lines of guides, registers, yearbooks and encyclopedias, an empty line and
// the data attribution.
HelpText dataSourcesText();
