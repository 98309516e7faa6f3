#pragma once

#include <string>

namespace bbstatsd {

class SqliteDb;

// Writes the table `people` into db from dir/People.csv: PlayerID, NameFirst, NameLast,
// BirthYear, BirthMonth, BirthDay (-1 when unknown), Debut and FinalGame ("YYYY-MM-DD" or
// empty). The news pages of the service read it. Throws std::runtime_error with
// "file:line:column: problem".
void writePeopleTable(const std::string& dir, SqliteDb& db);

} // namespace bbstatsd
