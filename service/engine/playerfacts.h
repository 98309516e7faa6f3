#pragma once

#include <string>

namespace bbstatsd {

class SqliteDb;

// Writes the table `player_facts` from dir/People.csv: one row per player with his code, used,
// last and given name, birth and death date ("YYYY-MM-DD", "YYYY-MM" or "YYYY" as far as known)
// and place ("City, State, Country" of the parts known), bats (switch hitters "S"), throws,
// height (inches), weight (pounds), debut and final game, and the data's bbrefID and retroID;
// unknown values are empty texts. Columns missing from the file leave their facts empty.
// Throws std::runtime_error with "file:line:column: problem".
void writePlayerFacts(const std::string& dir, SqliteDb& db);

} // namespace bbstatsd
