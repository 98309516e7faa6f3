#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "databases/databaseinfo.h"
#include "protocol/querystate.h"
#include "query/bandsettings.h"

// A saved query ("*.bbq"): everything that makes a database window show what
// it shows, so that opening the file reopens the window exactly.
struct SavedQuery {
    DatabaseKind database = DatabaseKind::Batters;
    QueryState state;
    // Grid columns hidden, in the order they were hidden.
    std::vector<int> hiddenColumns;
    BandSettings bands;
};

// The format version this build writes; it reads every version up to it.
// Version 2 adds the lines mode and "Qualified only", and may hold "more 1"
// ("More columns" on, written only then); a version 1 file reads as per-team
// rows without the qualifier or the option.
inline constexpr int QueryFileVersion = 2;

// The text of `query`: UTF-8, one "key value" line each, LF line ends; the
// first lines are the format version and the data's attribution line.
QByteArray WriteQueryFile(const SavedQuery& query);

// What is wrong with a query file: the line (1-based, 0 for the file as a
// whole) and the problem.
struct QueryFileError {
    int line = 0;
    QString problem;
};

// Reads a whole query file. Every line is checked before anything is
// returned: a line that is not understood, a newer format version, a field,
// column, selection kind or lines mode the database lacks, or a missing line
// gives the first error and no query.
std::optional<SavedQuery> ReadQueryFile(const QByteArray& text, QueryFileError* error);

// "The query file "name" cannot be opened: line 4: ..." for a message box.
QString QueryFileMessage(const QString& path, const QueryFileError& error);

// The selection values of `letter` ('A' players, 'B' teams) in `state`,
// without their letter, in order.
std::vector<std::string> SelectionValues(const QueryState& state, char letter);
