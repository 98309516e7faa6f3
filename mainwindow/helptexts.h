#pragma once

#include <QString>
#include <QStringList>

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
// grid column. Any other number gives an empty text.
HelpText statisticsDefinitions(int database);

// The data sources: caption, an empty line, the heading, an empty line, 17
// lines of guides, registers, yearbooks and encyclopedias, an empty line and
// the data attribution.
HelpText dataSourcesText();
