#pragma once

// The Lahman CSV files read whole, and every record of the four tables the service sends
// recomputed from them with the standard definitions of record keeping, without the importer's
// code: what the whole-table check compares the service's replies with.

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "service/engine/engine.h"

namespace lahmancsv {
class Csv;
}

namespace wholetable {

using bbstatsd::Table;

using Values = std::vector<std::string>; // one record, line by line

// The sum of values, or -1 when any is missing (a team's sum over its players' rows).
struct Sum {
    long long total = 0;
    bool missing = false, any = false;
    void add(long long v) {
        any = true;
        missing = missing || v < 0;
        total += v < 0 ? 0 : v;
    }
    long long value() const { return any && !missing ? total : -1; }
};

// A ratio: scale * (sum of num lines) / (sum of den lines with their signs); missing when a
// required line is missing or the denominator is not positive; other missing lines count 0.
// Shown with `decimals` decimals: averages three, earned run averages, range and chances per
// game two.
struct Ratio {
    int line;
    long long scale;
    std::vector<int> num, den; // den: a negative entry -l subtracts line l
    std::vector<int> required;
    int decimals = 3;
};

// What the check knows of each table: real lines, the lines a record is matched by, ratios.
struct Shape {
    Table table;
    int lines;
    int nameLine; // "TOTALS" in the totals record
    double missingReal;
    std::set<int> reals, innings, keys, unsummed; // unsummed: reals that are no ratio (GB)
    std::vector<Ratio> ratios;
};

extern const Shape kBatters;
extern const Shape kPitchers;
extern const Shape kFielders;
extern const Shape kTeams;

// A figure of `decimals` decimals given in units of its last decimal, as text.
std::string fixed(long long units, int decimals);

// The missing marker of a table's reals with `decimals` decimals.
std::string missingText(double marker, int decimals);

// A line as a number: counts as they are, innings (box-score form) as outs; -1 when missing.
long long number(const Shape& s, int line, const std::string& text);

// The ratio over records (one record: its own figure; several: the totals' figure): the
// records that have every count it requires take part.
std::string ratioOver(const Shape& s, const Ratio& r, const std::vector<const Values*>& records);

// Innings in box-score form: whole innings and the outs past them as tenths.
std::string box(long long outs, double missing);

// The differences of a served record from the expected one, "" when they agree.
std::string differences(const Shape& s, const Values& expected,
                        const std::vector<std::string_view>& served);

using lahmancsv::Csv;

// Every record of the four tables, recomputed from the CSVs.
class SourceRecords {
public:
    // Reads People, Teams, Batting, Pitching and Fielding from the Lahman folder (LAHMAN_DIR,
    // else ../shared/data/lahman beside the sources) and computes the records.
    void read();

    // The records of a table in the order of its CSV file.
    const std::vector<Values>& records(Table table) const { return m_expected.at(table); }
    // The player code of each record of a player table.
    const std::vector<std::string>& players(Table table) const { return m_ids.at(table); }
    // The scheduled games of a league-season: the most games any of its clubs played.
    long long scheduled(const std::string& year, const std::string& league) const {
        return m_scheduled.at(year + "|" + league);
    }

    // Season lines (career: false) or career lines of a player table, from its records here
    // (Fielders: per position too): a season of one stint as it is; otherwise each count the
    // sum of what the stints record (missing when none records it) and each average over the
    // stints that record every count it requires, as record books add careers; team "TOT" over
    // two or more clubs (else the club's code, and a season its name), the clubs and span
    // counted in the name. leaguesOf: the leagues of each line's stints.
    std::vector<Values> combined(const Shape& s, bool career,
                                 std::vector<std::set<std::string>>* leaguesOf = nullptr) const;

    // The totals record of records: counts the values present summed (missing when none has
    // one), averages over the records that have every count they require, texts empty but the
    // name.
    static Values totalsOver(const Shape& s, const std::vector<const Values*>& chosen);

private:
    struct Person {
        std::string name, bats, throws;
    };

    std::size_t slot(const std::string& name);
    Sum& sum(std::size_t team, std::size_t slot);
    void copyCounts(const Csv& csv, const std::vector<std::pair<int, const char*>>& lines,
                    const std::string& prefix, std::vector<Values>& out,
                    std::vector<std::size_t>& teams);
    std::vector<std::size_t> startRecords(const Shape& s, const Csv& csv, std::vector<Values>& out);
    void readBatting(const std::unordered_map<std::string, std::string>& positions);
    void readPitching();
    std::unordered_map<std::string, std::string> readFielding();
    void readTeams(const Csv& csv);

    std::map<Table, std::vector<Values>> m_expected;
    std::map<Table, std::vector<std::string>> m_ids; // player of each record of player tables
    std::map<std::string, long long> m_scheduled;    // "year|league" -> most games of a club

    std::unordered_map<std::string, Person> m_people;
    std::unordered_map<std::string, std::size_t> m_teamOf; // "year|team" -> row of Teams.csv
    std::vector<std::string> m_teamNames;                  // by row of Teams.csv
    std::map<std::string, std::size_t> m_slots;            // name of a team sum -> its place
    std::vector<std::vector<Sum>> m_sums;                  // by row of Teams.csv, by place
};

} // namespace wholetable
