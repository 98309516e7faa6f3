#pragma once

#include <map>
#include <string>
#include <utility>

namespace bbstatsd {

class SqliteDb;

// Writes the table `parks` (Year, TeamCode, BPF, PPF; -1 when the Teams row has none) from
// dir/Teams.csv: the clubs' batting and pitching park factors, which the adjusted figures of
// the more-columns option read. Throws std::runtime_error with "file:line:column: problem".
void writeParkFactors(const std::string& dir, SqliteDb& db);

// The park factors of every club-season, read from an imported file.
class ParkFactors {
public:
    explicit ParkFactors(SqliteDb& db);
    // Batting and pitching park factors of a club-season (100 is neutral); -1 when the data
    // has none.
    std::pair<int, int> of(int year, const std::string& teamCode) const;

private:
    std::map<std::pair<int, std::string>, std::pair<int, int>> m_factors;
};

} // namespace bbstatsd
