#pragma once

#include <QString>
#include <QStringList>

// Splits one CSV line: quoted fields may hold commas and doubled quotes, no
// line breaks.
QStringList CsvFields(const QString& line);
