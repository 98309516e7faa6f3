#pragma once

// The definitions of the columns "More columns" adds, and our figures beside the published
// ones, as plain data: the definitions window shows them, the figures guide repeats them and
// the service tests compare them with what the service computes. No Qt, so a test of the
// service reads the same rows.

#include <span>

namespace moredefinitions {

// One added column: its title as the grid shows it, and what it means.
struct Column {
    const char* abbreviation;
    const char* meaning;
};

// One figure of our table: a player's season (or his career line, season 0) in one column.
struct Figure {
    int database;          // 0 batters, 1 pitchers
    const char* player;    // as the player lists name him, "Last, First"
    int season;            // 0: the career line
    const char* column;    // an added column's abbreviation
    const char* published; // as the reference books print it
    const char* ours;      // as the service sends it
};

inline constexpr const char* AgeMeaning =
    "age on June 30 of the season (from the birth year alone where the month is missing; "
    "none where the year is, and none on a career line)";

inline constexpr Column BatterColumns[] = {
    {"OPS", "on-base plus slugging = OB% + SL%"},
    {"OPS+", "OPS against the league = 100x(OB%/lgOB% + SL%/lgSL% - 1); lgOB% and lgSL% are "
             "those of the player's league and season without pitchers' batting (players whose "
             "pitching games that season are at least half their batting games), each times the "
             "club's batting park factor at half weight, (1 + BPF/100)/2, since half the games "
             "are at home; above 100 is better than the league"},
    {"ISO", "isolated power = SL% - AVG = (TB - H)/AB"},
    {"BABIP", "batting average on balls in play = (H - HR)/(AB - SO - HR + SF)"},
    {"AGE", AgeMeaning},
};

inline constexpr Column PitcherColumns[] = {
    {"WHIP", "walks and hits per inning pitched = (BB + H)/IP"},
    {"K/9", "strikeouts per nine innings = 9xSO/IP"},
    {"BB/9", "walks per nine innings = 9xBB/IP"},
    {"HR/9", "home runs allowed per nine innings = 9xHR/IP"},
    {"K/BB", "strikeouts per walk = SO/BB"},
    {"ERA+", "ERA against the league = 100 x lgERA/ERA x PPF/100; lgERA = 9xER/IP of all "
             "pitchers of the league and season, PPF the club's pitching park factor; none when "
             "the ERA is 0; above 100 is better than the league"},
    {"FIP", "fielding independent pitching = (13xHR + 3x(BB + HB) - 2xSO)/IP + C, C the "
            "constant of the league and season that makes the league's FIP equal its ERA"},
    {"AGE", AgeMeaning},
};

inline constexpr Column FielderColumns[] = {
    {"AGE", AgeMeaning},
};

inline constexpr Column TeamColumns[] = {
    {"OPS", "on-base plus slugging = OB% + SL%"},
    {"ERA+", "ERA against the league = 100 x lgERA/ERA x PPF/100; lgERA = 9xER/IP of all "
             "pitchers of the league and season, PPF the club's pitching park factor; none when "
             "the ERA is 0"},
    {"EXP W-L%", "expected won/lost percentage from the runs = RS^1.83/(RS^1.83 + OPP RS^1.83)"},
};

// The added columns of each database (0 batters, 1 pitchers, 2 fielders, 3 teams), in the
// order the grid shows them after its own.
inline constexpr std::span<const Column> AddedColumns[] = {BatterColumns, PitcherColumns,
                                                           FielderColumns, TeamColumns};

// How the figures of a database treat combined lines, TOTALS and what cannot be computed.
inline constexpr const char* BatterNotes =
    "A season or career line (Options > Lines) compares with the league figures of its stints, "
    "each weighted by its plate appearances, park factors alike. TOTALS shows OPS from its OB% "
    "and SL%, ISO and BABIP from its sums, and no OPS+ or AGE. A club-season without park "
    "factors (mostly independent and Negro-league clubs of 1891-1948) is computed with none. A "
    "figure that cannot be computed shows ---.";
inline constexpr const char* PitcherNotes =
    "A season or career line (Options > Lines) compares with the league figures of its stints, "
    "each weighted by its innings, park factors alike. TOTALS shows WHIP, K/9, BB/9, HR/9 and "
    "K/BB from its sums, and no ERA+, FIP or AGE. A club-season without park factors (mostly "
    "independent and Negro-league clubs of 1891-1948) is computed with none. A figure that "
    "cannot be computed shows ---.";
inline constexpr const char* FielderNotes =
    "TOTALS has no AGE. A figure that cannot be computed shows ---.";
inline constexpr const char* TeamNotes =
    "TOTALS shows OPS from its OB% and SL%, EXP W-L% from its runs, and no ERA+. A club-season "
    "without park factors (mostly independent and Negro-league clubs of 1891-1948) is computed "
    "with none. A figure that cannot be computed shows ---.";
inline constexpr const char* Notes[] = {BatterNotes, PitcherNotes, FielderNotes, TeamNotes};

// Our figures beside the published ones: OPS+ and ERA+ agree within 4, the others exactly.
inline constexpr Figure Figures[] = {
    {0, "Ruth, Babe", 1920, "OPS+", "255", "255"},
    {0, "Williams, Ted", 1941, "OPS+", "235", "233"},
    {0, "Bonds, Barry", 2004, "OPS+", "263", "263"},
    {0, "Bonds, Barry", 2004, "OPS", "1.422", "1.422"},
    {0, "Ruth, Babe", 0, "OPS+", "206", "206"},
    {0, "Williams, Ted", 0, "OPS+", "191", "189"},
    {1, "Gibson, Bob", 1968, "ERA+", "258", "258"},
    {1, "Martinez, Pedro", 2000, "ERA+", "291", "291"},
    {1, "Maddux, Greg", 1994, "ERA+", "271", "271"},
    {1, "Martinez, Pedro", 2000, "WHIP", "0.737", "0.737"},
    {1, "Martinez, Pedro", 2000, "K/9", "11.8", "11.8"},
    {1, "Rivera, Mariano", 0, "ERA+", "205", "204"},
};

} // namespace moredefinitions
