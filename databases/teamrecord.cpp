#include "databases/teamrecord.h"

#include <iterator>
#include <type_traits>

#include "databases/columntable.h"
#include "databases/fieldreaders.h"

static_assert(std::is_trivially_copyable_v<TeamRecord>);

namespace {

const ColumnDef<TeamRecord> kColumns[] = {
    {{"", "YEAR", 40, TextCell(), 0}, &GetField<&TeamRecord::Year>},
    {{"TEAM", "CODE", 35, TextCell(), 1}, &GetField<&TeamRecord::TeamCode>},
    {{"", "TEAM NAME", 200, TextCell(), 2}, &GetField<&TeamRecord::TeamName>},
    {{"", "LGE", 40, TextCell(), 3}, &GetField<&TeamRecord::League>},
    {{"", "DIV", 40, KindCell(CellKind::DashMeansMissing), 4}, &GetField<&TeamRecord::Division>},
    {{"", "    G", 45, IntCell(6), 5}, &GetField<&TeamRecord::G>},
    {{"", "     WON", 55, IntCell(8), 6}, &GetField<&TeamRecord::W>},
    {{"", "    LOST", 55, IntCell(8), 7}, &GetField<&TeamRecord::L>},
    {{"", "     GB", 52, KindCell(CellKind::GamesBehind), 8}, &GetField<&TeamRecord::GB>},
    {{"", "   W-L%", 52, AverageCell(7), 9}, &GetField<&TeamRecord::WLPct>},
    {{"   HOME", "   WINS", 52, IntCell(7), 10}, &GetField<&TeamRecord::HomeW>},
    {{"   HOME", "   LOSS", 52, IntCell(7), 11}, &GetField<&TeamRecord::HomeL>},
    {{"   AWAY", "   WINS", 52, IntCell(7), 12}, &GetField<&TeamRecord::AwayW>},
    {{"   AWAY", "   LOSS", 52, IntCell(7), 13}, &GetField<&TeamRecord::AwayL>},
    {{"", "     TPA", 57, IntCell(8), 14}, &GetField<&TeamRecord::TPA>},
    {{"", "     AB", 57, IntCell(8), 15}, &GetField<&TeamRecord::AB>},
    {{"", "     RS", 52, IntCell(7), 16}, &GetField<&TeamRecord::RS>},
    {{"", "     H", 52, IntCell(7), 17}, &GetField<&TeamRecord::H>},
    {{"", "    TB", 52, IntCell(7), 18}, &GetField<&TeamRecord::TB>},
    {{"", "    D", 45, IntCell(6), 19}, &GetField<&TeamRecord::D>},
    {{"", "     T", 45, IntCell(6), 20}, &GetField<&TeamRecord::T>},
    {{"", "    HR", 45, IntCell(6), 21}, &GetField<&TeamRecord::HR>},
    {{"", "    RBI", 52, IntCell(7), 22}, &GetField<&TeamRecord::RBI>},
    {{"", "   AVG", 48, AverageCell(6), 23}, &GetField<&TeamRecord::AVG>},
    {{"", "  OB%", 42, AverageCell(5), 24}, &GetField<&TeamRecord::OBP>},
    {{"", "  SL%", 42, AverageCell(5), 25}, &GetField<&TeamRecord::SLG>},
    {{"", "     BB", 52, IntCell(7), 26}, &GetField<&TeamRecord::BB>},
    {{"", "    IBB", 49, IntCell(7), 27}, &GetField<&TeamRecord::IBB>},
    {{"", "    HBP", 53, IntCell(7), 28}, &GetField<&TeamRecord::HBP>},
    {{"", "    SO", 48, IntCell(7), 29}, &GetField<&TeamRecord::SO>},
    {{"    SAC", "   HITS", 50, IntCell(7), 30}, &GetField<&TeamRecord::SacH>},
    {{"    SAC", "  FLIES", 50, IntCell(7), 31}, &GetField<&TeamRecord::SacF>},
    {{"", "    SB", 45, IntCell(6), 32}, &GetField<&TeamRecord::SB>},
    {{"", "   CS", 42, IntCell(5), 33}, &GetField<&TeamRecord::CS>},
    {{"   BAT", "  GIDP", 45, IntCell(6), 34}, &GetField<&TeamRecord::GIDP>},
    {{"    BAT", "    LOB", 50, IntCell(7), 35}, &GetField<&TeamRecord::LOB>},
    {{"  BAT", "  SHO", 42, IntCell(5), 36}, &GetField<&TeamRecord::BatSHO>},
    {{"   PIT", "    CG", 45, IntCell(6), 37}, &GetField<&TeamRecord::CG>},
    {{"  PIT", "  SHO", 36, IntCell(5), 38}, &GetField<&TeamRecord::SHO>},
    {{"   PIT", "    RA", 45, IntCell(6), 39}, &GetField<&TeamRecord::RA>},
    {{"", "   SV", 42, IntCell(5), 40}, &GetField<&TeamRecord::SV>},
    {{"", "    ERA", 50, RealCell(7, 2), 41}, &GetField<&TeamRecord::ERA>},
    {{"", "      IP", 75, RealCell(10, 2), 42}, &GetField<&TeamRecord::IP>},
    {{"    OPP", "   HITS", 50, IntCell(7), 43}, &GetField<&TeamRecord::OppH>},
    {{"", "    BFP", 50, IntCell(7), 44}, &GetField<&TeamRecord::BFP>},
    {{"    OPP", "     AB", 50, IntCell(7), 45}, &GetField<&TeamRecord::OppAB>},
    {{"    OPP", "     RS", 50, IntCell(7), 46}, &GetField<&TeamRecord::OppRS>},
    {{"    OPP", "     ER", 50, IntCell(7), 47}, &GetField<&TeamRecord::OppER>},
    {{"   OPP", "    HR", 45, IntCell(6), 48}, &GetField<&TeamRecord::OppHR>},
    {{"    OPP", "     BB", 50, IntCell(7), 49}, &GetField<&TeamRecord::OppBB>},
    {{"    OPP", "    IBB", 50, IntCell(7), 50}, &GetField<&TeamRecord::OppIBB>},
    {{"    OPP", "     HB", 50, IntCell(7), 51}, &GetField<&TeamRecord::OppHBP>},
    {{"    OPP", "     SO", 50, IntCell(7), 52}, &GetField<&TeamRecord::OppSO>},
    {{"    OPP", "   SacH", 50, IntCell(7), 53}, &GetField<&TeamRecord::OppSacH>},
    {{"    OPP", "   SacF", 50, IntCell(7), 54}, &GetField<&TeamRecord::OppSacF>},
    {{"", "     WP", 50, IntCell(7), 55}, &GetField<&TeamRecord::WP>},
    {{"", "     BK", 50, IntCell(7), 56}, &GetField<&TeamRecord::BK>},
    {{"   OPP", "   AVG", 45, AverageCell(6), 57}, &GetField<&TeamRecord::OppAVG>},
    {{"   OPP", "   OB%", 45, AverageCell(6), 58}, &GetField<&TeamRecord::OppOBP>},
    {{"", "     PO", 50, IntCell(7), 59}, &GetField<&TeamRecord::PO>},
    {{"", "    AST", 50, IntCell(7), 60}, &GetField<&TeamRecord::AST>},
    {{"", "   ERR", 45, IntCell(6), 61}, &GetField<&TeamRecord::ERR>},
    {{"     TOT", "      CH", 60, IntCell(8), 62}, &GetField<&TeamRecord::TotalChances>},
    {{"", "    DP", 45, IntCell(6), 63}, &GetField<&TeamRecord::DP>},
    {{"", "    TP", 45, IntCell(6), 64}, &GetField<&TeamRecord::TP>},
    {{"", "    PB", 45, IntCell(6), 65}, &GetField<&TeamRecord::PB>},
    {{"", "    FA", 45, AverageCell(6), 66}, &GetField<&TeamRecord::FA>},
    // The "More columns" option's columns.
    {{"", "   OPS", 46, AverageCell(6), 67}, &GetField<&TeamRecord::OPS>},
    {{"", "  ERA+", 46, RealCell(6, 0), 68}, &GetField<&TeamRecord::ERAPlus>},
    {{"    EXP", "   W-L%", 52, AverageCell(7), 69}, &GetField<&TeamRecord::ExpWLPct>},
};
constexpr std::size_t kOwnColumns = 67;

// Entry k reads line k of a reply record.
const FieldReader<TeamRecord> kReaders[] = {
    &ReadLine<&TeamRecord::TeamCode>,     // 0
    &ReadLine<&TeamRecord::TeamName>,     // 1
    &ReadLine<&TeamRecord::League>,       // 2
    &ReadLine<&TeamRecord::Division>,     // 3
    &ReadLine<&TeamRecord::Year>,         // 4
    &ReadLine<&TeamRecord::G>,            // 5
    &ReadLine<&TeamRecord::W>,            // 6
    &ReadLine<&TeamRecord::L>,            // 7
    &ReadLine<&TeamRecord::GB>,           // 8
    &ReadLine<&TeamRecord::WLPct>,        // 9
    &ReadLine<&TeamRecord::HomeW>,        // 10
    &ReadLine<&TeamRecord::HomeL>,        // 11
    &ReadLine<&TeamRecord::AwayW>,        // 12
    &ReadLine<&TeamRecord::AwayL>,        // 13
    &ReadLine<&TeamRecord::TPA>,          // 14
    &ReadLine<&TeamRecord::RS>,           // 15
    &ReadLine<&TeamRecord::OppRS>,        // 16
    &ReadLine<&TeamRecord::AB>,           // 17
    &ReadLine<&TeamRecord::H>,            // 18
    &ReadLine<&TeamRecord::TB>,           // 19
    &ReadLine<&TeamRecord::D>,            // 20
    &ReadLine<&TeamRecord::T>,            // 21
    &ReadLine<&TeamRecord::HR>,           // 22
    &ReadLine<&TeamRecord::RBI>,          // 23
    &ReadLine<&TeamRecord::BB>,           // 24
    &ReadLine<&TeamRecord::IBB>,          // 25
    &ReadLine<&TeamRecord::HBP>,          // 26
    &ReadLine<&TeamRecord::SO>,           // 27
    &ReadLine<&TeamRecord::SacH>,         // 28
    &ReadLine<&TeamRecord::SacF>,         // 29
    &ReadLine<&TeamRecord::AVG>,          // 30
    &ReadLine<&TeamRecord::OBP>,          // 31
    &ReadLine<&TeamRecord::SLG>,          // 32
    &ReadLine<&TeamRecord::SB>,           // 33
    &ReadLine<&TeamRecord::CS>,           // 34
    &ReadLine<&TeamRecord::GIDP>,         // 35
    &ReadLine<&TeamRecord::LOB>,          // 36
    &ReadLine<&TeamRecord::BatSHO>,       // 37
    &ReadLine<&TeamRecord::CG>,           // 38
    &ReadLine<&TeamRecord::SHO>,          // 39
    &ReadLine<&TeamRecord::RA>,           // 40
    &ReadLine<&TeamRecord::SV>,           // 41
    &ReadLine<&TeamRecord::IP>,           // 42
    &ReadLine<&TeamRecord::OppH>,         // 43
    &ReadLine<&TeamRecord::BFP>,          // 44
    &ReadLine<&TeamRecord::OppAB>,        // 45
    &ReadLine<&TeamRecord::OppER>,        // 46
    &ReadLine<&TeamRecord::OppHR>,        // 47
    &ReadLine<&TeamRecord::OppBB>,        // 48
    &ReadLine<&TeamRecord::OppIBB>,       // 49
    &ReadLine<&TeamRecord::OppHBP>,       // 50
    &ReadLine<&TeamRecord::OppSO>,        // 51
    &ReadLine<&TeamRecord::OppSacH>,      // 52
    &ReadLine<&TeamRecord::OppSacF>,      // 53
    &ReadLine<&TeamRecord::WP>,           // 54
    &ReadLine<&TeamRecord::BK>,           // 55
    &ReadLine<&TeamRecord::ERA>,          // 56
    &ReadLine<&TeamRecord::OppAVG>,       // 57
    &ReadLine<&TeamRecord::OppOBP>,       // 58
    &ReadLine<&TeamRecord::PO>,           // 59
    &ReadLine<&TeamRecord::AST>,          // 60
    &ReadLine<&TeamRecord::FA>,           // 61
    &ReadLine<&TeamRecord::ERR>,          // 62
    &ReadLine<&TeamRecord::TotalChances>, // 63
    &ReadLine<&TeamRecord::DP>,           // 64
    &ReadLine<&TeamRecord::TP>,           // 65
    &ReadLine<&TeamRecord::PB>,           // 66
    &ReadLine<&TeamRecord::OPS>,          // 67, "More columns" from here
    &ReadLine<&TeamRecord::ERAPlus>,      // 68
    &ReadLine<&TeamRecord::ExpWLPct>,     // 69
};

} // namespace

const RecordLayout<TeamRecord>& TeamLayout() {
    static const RecordLayout<TeamRecord> layout{
        50000, {std::begin(kReaders), std::begin(kReaders) + kOwnColumns}};
    return layout;
}

namespace {

const RecordLayout<TeamRecord>& moreLayout() {
    static const RecordLayout<TeamRecord> layout{50000, {std::begin(kReaders), std::end(kReaders)}};
    return layout;
}

} // namespace

QString TeamCellText(const TeamRecord& record, int column, bool totalsRow) {
    if (totalsRow) {
        switch (column) {
        case 0:
        case 8:
        case 68: // ERA+ is compared with a league: no total
            return QString();
        case 1:
            return QStringLiteral(" ");
        case 2:
            return FormatText(record.TeamName.view());
        case 3:
            return FormatText(record.League.view());
        case 4:
            return FormatText(record.Division.view());
        default:
            break;
        }
    }
    return ColumnCellText<TeamRecord>(kColumns, record, column, MissingReal::NegativeOrMillion);
}

BandKey<TeamRecord> TeamBandKey(int bandMode) {
    switch (bandMode) {
    case 0:
        return [](const TeamRecord& r) { return r.TeamName.view(); };
    case 1:
        return [](const TeamRecord& r) { return r.Year.view(); };
    case 2:
        return [](const TeamRecord& r) { return r.Division.view(); };
    case 3:
        return [](const TeamRecord& r) { return r.League.view(); };
    default:
        return nullptr;
    }
}

const DatabaseInfo& TeamsInfo() {
    static const std::vector<ColumnSpec> all = ColumnsOf(kColumns);
    static const std::span<const ColumnSpec> columns(all.data(), kOwnColumns);
    static const DatabaseInfo info{
        DatabaseKind::Teams,
        QStringLiteral("Baseball Teams Statistics"),
        QStringLiteral("/cgi-bin/getbaseteam.exe"),
        QStringLiteral("Baseball Teams - Sort Options"),
        2,
        50000,
        48000,
        4,
        MissingReal::NegativeOrMillion,
        columns,
        {QStringLiteral("Year"),
         QStringLiteral("Team Code"),
         QStringLiteral("Team Name"),
         QStringLiteral("LGE - League"),
         QStringLiteral("DIV - Division"),
         QStringLiteral("G   - Games"),
         QStringLiteral("Won"),
         QStringLiteral("Lost"),
         QStringLiteral("GB  - Games Behind"),
         QStringLiteral("W-L%"),
         QStringLiteral("Home Wins"),
         QStringLiteral("Home Losses"),
         QStringLiteral("Away Wins"),
         QStringLiteral("Away Losses"),
         QStringLiteral("Batting  - TPA - Total Plate Appearances"),
         QStringLiteral("Batting  - AB  - At Bats"),
         QStringLiteral("Batting  - RS  - Runs Scored"),
         QStringLiteral("Batting  - H   - Hits"),
         QStringLiteral("Batting  - TB  - Total Bases"),
         QStringLiteral("Batting  - D   - Doubles"),
         QStringLiteral("Batting  - T   - Triples"),
         QStringLiteral("Batting  - HR  - Home Runs"),
         QStringLiteral("Batting  - RBI - Runs Batted In"),
         QStringLiteral("Batting  - AVG - Average"),
         QStringLiteral("Batting  - OB% - On Base Percentage"),
         QStringLiteral("Batting  - SLG%- Slugging Percentage"),
         QStringLiteral("Batting  - BB  - Base On Balls (Walks)"),
         QStringLiteral("Batting  - IBB - Intentional Base on Balls (Walks)"),
         QStringLiteral("Batting  - HBP - Hit By Pitch"),
         QStringLiteral("Batting  - SO  - Strikeouts"),
         QStringLiteral("Batting  - SacH- Sacrifice Hits"),
         QStringLiteral("Batting  - SacF- Sacrifice Flies"),
         QStringLiteral("Batting  - SB  - Stolen Bases"),
         QStringLiteral("Batting  - CS  - Caught Stealing"),
         QStringLiteral("Batting  - GIDP- Grounded Into Double Play"),
         QStringLiteral("Batting  - LOB - Batters Left On Base"),
         QStringLiteral("Batting  - SHO - Shutouts"),
         QStringLiteral("Pitching - CG  - Complete Games"),
         QStringLiteral("Pitching - SHO - Shutouts"),
         QStringLiteral("Pitching - RA  - Relief Appearances"),
         QStringLiteral("Pitching - SV  - Saves"),
         QStringLiteral("Pitching - ERA - Earned Run Average"),
         QStringLiteral("Pitching - IP  - Innings Pitched"),
         QStringLiteral("Pitching - OPP H - Opponents Hits"),
         QStringLiteral("Pitching - BFP - Batters Faced Pitcher"),
         QStringLiteral("Pitching - OPP AB - Opponents At Bats"),
         QStringLiteral("Pitching - OPP RS - Opponents Runs Scored"),
         QStringLiteral("Pitching - OPP ER - Opponents Earned Runs"),
         QStringLiteral("Pitching - OPP HR - Opponents Home Runs"),
         QStringLiteral("Pitching - OPP BB - Opponents Base On Balls (Walks)"),
         QStringLiteral("Pitching - OPP IBB- Opponents Intentional Base On Balls"),
         QStringLiteral("Pitching - OPP HBP- Opponents Hit By Pitch"),
         QStringLiteral("Pitching - OPP SO - Opponents Strikeouts"),
         QStringLiteral("Pitching - OPP SacH - Opponents Sacrifice Hits"),
         QStringLiteral("Pitching - OPP SacF - Opponents Sacrifice Flies"),
         QStringLiteral("Pitching - WP  - Wild Pitches"),
         QStringLiteral("Pitching - BK  - Balks"),
         QStringLiteral("Pitching - OPP AVG - Opponents Batting Average"),
         QStringLiteral("Pitching - OPP OB% - Opponents On Base Percentage"),
         QStringLiteral("Fielding - PO  - Putouts"),
         QStringLiteral("Fielding - AST - Assists"),
         QStringLiteral("Fielding - ERR - Errors"),
         QStringLiteral("Fielding - TOT CH - Total Chances"),
         QStringLiteral("Fielding - DP  - Double Plays"),
         QStringLiteral("Fielding - TP  - Triple Plays"),
         QStringLiteral("Fielding - PB  - Passed Balls"),
         QStringLiteral("Fielding - FA  - Fielding Average")},
        QStringLiteral("BST"),
        QStringLiteral("Team Print Definition File (*.BST)|*.bst"),
    };
    return info;
}

const DatabaseDescriptor<TeamRecord>& TeamsDatabase(bool more) {
    static const DatabaseDescriptor<TeamRecord> descriptor{TeamsInfo(), TeamLayout(), &TeamCellText,
                                                           &TeamBandKey};
    static const std::vector<ColumnSpec> all = ColumnsOf(kColumns);
    static const DatabaseInfo moreInfo =
        WithAddedColumns(TeamsInfo(), all,
                         {QStringLiteral("Batting  - OPS - On Base Plus Slugging"),
                          QStringLiteral("Pitching - ERA+- Adjusted ERA"),
                          QStringLiteral("EXP W-L% - Expected W-L% From Runs")});
    static const DatabaseDescriptor<TeamRecord> withMore{moreInfo, moreLayout(), &TeamCellText,
                                                         &TeamBandKey};
    return more ? withMore : descriptor;
}
