#pragma once

#include <string>

namespace bbstatsd {

class SqliteDb;

// Writes what the service's news pages read besides the record tables: the table `people` from
// dir/People.csv (PlayerID, NameFirst, NameLast, BirthYear, BirthMonth, BirthDay (-1 when
// unknown), Debut and FinalGame ("YYYY-MM-DD" or empty)), and indexes of the batting and
// pitching tables by player, which the article pages look seasons up by. Throws
// std::runtime_error with "file:line:column: problem".
void writeNewsTables(const std::string& dir, SqliteDb& db);

} // namespace bbstatsd
