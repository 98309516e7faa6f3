#include "databases/fielderrecord.h"

#include <iterator>
#include <type_traits>

#include "databases/columntable.h"
#include "databases/fieldreaders.h"

static_assert(std::is_trivially_copyable_v<FielderRecord>);

namespace {

const ColumnDef<FielderRecord> kColumns[] = {
    {{"", "PLAYER NAME", 130, TextCell(), 0}, &GetField<&FielderRecord::PlayerName>},
    {{"", "YEAR", 50, TextCell(), 1}, &GetField<&FielderRecord::Year>},
    {{"TEAM", "CODE", 50, TextCell(), 2}, &GetField<&FielderRecord::TeamCode>},
    {{"", "TEAM NAME", 200, TextCell(), 3}, &GetField<&FielderRecord::TeamName>},
    {{"", "LGE", 37, TextCell(), 4}, &GetField<&FielderRecord::League>},
    {{"", "POS", 45, KindCell(CellKind::DashMeansMissing), 5}, &GetField<&FielderRecord::Position>},
    {{"", "      G", 52, IntCell(7), 6}, &GetField<&FielderRecord::G>},
    {{"", "     PO", 52, IntCell(7), 7}, &GetField<&FielderRecord::PO>},
    {{"", "    AST", 52, IntCell(7), 8}, &GetField<&FielderRecord::AST>},
    {{"", "   ERR", 45, IntCell(6), 9}, &GetField<&FielderRecord::ERR>},
    {{"", "     DP", 52, IntCell(7), 10}, &GetField<&FielderRecord::DP>},
    {{"", "    PB", 45, IntCell(6), 11}, &GetField<&FielderRecord::PB>},
    {{"", "  TOT CH", 65, IntCell(8), 12}, &GetField<&FielderRecord::TotalChances>},
    {{"", "   RANGE", 65, RealCell(8, 2), 13}, &GetField<&FielderRecord::Range>},
    {{"", " TCH/G", 55, RealCell(6, 2), 14}, &GetField<&FielderRecord::ChancesPerGame>},
    {{"", "  FLD%", 53, AverageCell(6), 15}, &GetField<&FielderRecord::FieldingPct>},
    // The "More columns" option's column.
    {{"", " AGE", 33, RealCell(4, 0), 16}, &GetField<&FielderRecord::Age>},
};
constexpr std::size_t kOwnColumns = 16;
constexpr std::size_t kOwnLines = 17;

// Entry k reads line k of a reply record.
const FieldReader<FielderRecord> kReaders[] = {
    &ReadLine<&FielderRecord::PlayerName>,     // 0
    &ReadLine<&FielderRecord::Year>,           // 1
    &ReadLine<&FielderRecord::TeamCode>,       // 2
    &ReadLine<&FielderRecord::TeamName>,       // 3
    &ReadLine<&FielderRecord::League>,         // 4
    &ReadLine<&FielderRecord::G>,              // 5
    &ReadLine<&FielderRecord::PO>,             // 6
    &ReadLine<&FielderRecord::AST>,            // 7
    &ReadLine<&FielderRecord::ERR>,            // 8
    &ReadLine<&FielderRecord::DP>,             // 9
    &ReadLine<&FielderRecord::PB>,             // 10
    &ReadLine<&FielderRecord::TotalChances>,   // 11
    &ReadLine<&FielderRecord::FieldingPct>,    // 12
    &ReadLine<&FielderRecord::Range>,          // 13
    &ReadLine<&FielderRecord::ChancesPerGame>, // 14
    &ReadLine<&FielderRecord::Position>,       // 15
    &ReadLine<&FielderRecord::GS>,             // 16
    &ReadLine<&FielderRecord::Age>,            // 17, "More columns"
};

} // namespace

const RecordLayout<FielderRecord>& FielderLayout() {
    static const RecordLayout<FielderRecord> layout{
        110000, {std::begin(kReaders), std::begin(kReaders) + kOwnLines}};
    return layout;
}

namespace {

const RecordLayout<FielderRecord>& moreLayout() {
    static const RecordLayout<FielderRecord> layout{110000,
                                                    {std::begin(kReaders), std::end(kReaders)}};
    return layout;
}

} // namespace

QString FielderCellText(const FielderRecord& record, int column, bool totalsRow) {
    if (totalsRow && column >= 0 && column <= 5) {
        return column == 0 ? QStringLiteral(" TOTALS") : QString();
    }
    // The age has no total.
    if (totalsRow && column == 16) {
        return QString();
    }
    return ColumnCellText<FielderRecord>(kColumns, record, column, MissingReal::MinusOne);
}

BandKey<FielderRecord> FielderBandKey(int bandMode) {
    switch (bandMode) {
    case 0:
        return [](const FielderRecord& r) { return r.PlayerName.view(); };
    case 1:
        return [](const FielderRecord& r) { return r.TeamName.view(); };
    case 2:
        return [](const FielderRecord& r) { return r.Year.view(); };
    case 3:
        return [](const FielderRecord& r) { return r.Position.view(); };
    default:
        return nullptr;
    }
}

const DatabaseInfo& FieldersInfo() {
    static const std::vector<ColumnSpec> all = ColumnsOf(kColumns);
    static const std::span<const ColumnSpec> columns(all.data(), kOwnColumns);
    static const DatabaseInfo info{
        DatabaseKind::Fielders,
        QStringLiteral("Baseball Fielders Statistics"),
        QStringLiteral("/cgi-bin/getfield.exe"),
        QStringLiteral("Baseball Fielders - Sort Options"),
        3,
        110000,
        110000,
        4,
        MissingReal::MinusOne,
        columns,
        {QStringLiteral("Player Name"), QStringLiteral("Year"), QStringLiteral("Team Code"),
         QStringLiteral("Team Name"), QStringLiteral("LGE    - League"),
         QStringLiteral("POS    - Position"), QStringLiteral("G      - Games"),
         QStringLiteral("PO     - Putouts"), QStringLiteral("AST    - Assists"),
         QStringLiteral("ERR    - Errors"), QStringLiteral("DP     - Double Plays"),
         QStringLiteral("PB     - Passed Balls"), QStringLiteral("TOT CH - Total Chances"),
         QStringLiteral("RANGE  - Range = (PO+A)/G"),
         QStringLiteral("TCH/G  - Total Chances per Game"),
         QStringLiteral("FLD%   - Fielding Percentage")},
        QStringLiteral("BSF"),
        QStringLiteral("Fielder Print Definition File (*.BSF)|*.bsf"),
    };
    return info;
}

const DatabaseDescriptor<FielderRecord>& FieldersDatabase(bool more) {
    static const DatabaseDescriptor<FielderRecord> descriptor{FieldersInfo(), FielderLayout(),
                                                              &FielderCellText, &FielderBandKey};
    static const std::vector<ColumnSpec> all = ColumnsOf(kColumns);
    static const DatabaseInfo moreInfo =
        WithAddedColumns(FieldersInfo(), all, {QStringLiteral("AGE    - Age")});
    static const DatabaseDescriptor<FielderRecord> withMore{moreInfo, moreLayout(),
                                                            &FielderCellText, &FielderBandKey};
    return more ? withMore : descriptor;
}
