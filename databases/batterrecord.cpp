#include "databases/batterrecord.h"

#include <iterator>
#include <type_traits>

#include "databases/columntable.h"
#include "databases/fieldreaders.h"

static_assert(std::is_trivially_copyable_v<BatterRecord>);

namespace {

const ColumnDef<BatterRecord> kColumns[] = {
    {{"", "PLAYER NAME", 130, TextCell(18), 0}, &GetField<&BatterRecord::PlayerName>},
    {{"", "YEAR", 50, TextCell(), 1}, &GetField<&BatterRecord::Year>},
    {{"TEAM", "CODE", 50, TextCell(), 2}, &GetField<&BatterRecord::TeamCode>},
    {{"", "TEAM NAME", 200, TextCell(30), 3}, &GetField<&BatterRecord::TeamName>},
    {{"", "LGE", 25, TextCell(), 4}, &GetField<&BatterRecord::League>},
    {{"", " BAT", 31, KindCell(CellKind::CharAfterBlank), 5}, &GetField<&BatterRecord::Bats>},
    {{"", " THR", 31, KindCell(CellKind::CharAfterBlank), 6}, &GetField<&BatterRecord::Throws>},
    {{"", "      G", 50, IntCell(7), 7}, &GetField<&BatterRecord::G>},
    {{"", "      PA", 56, IntCell(8), 8}, &GetField<&BatterRecord::PA>},
    {{"", "      AB", 56, IntCell(8), 9}, &GetField<&BatterRecord::AB>},
    {{"", "     RS", 50, IntCell(7), 10}, &GetField<&BatterRecord::RS>},
    {{"", "      H", 50, IntCell(7), 11}, &GetField<&BatterRecord::H>},
    {{"", "     TB", 49, IntCell(7), 12}, &GetField<&BatterRecord::TB>},
    {{"", "      S", 49, IntCell(7), 13}, &GetField<&BatterRecord::S>},
    {{"", "     D", 45, IntCell(6), 14}, &GetField<&BatterRecord::D>},
    {{"", "     T", 45, IntCell(6), 15}, &GetField<&BatterRecord::T>},
    {{"", "    HR", 45, IntCell(6), 16}, &GetField<&BatterRecord::HR>},
    {{"", "    RBI", 61, IntCell(7), 17}, &GetField<&BatterRecord::RBI>},
    {{"", "  AVG", 46, AverageCell(5), 18}, &GetField<&BatterRecord::AVG>},
    {{"", "  OB%", 46, AverageCell(5), 19}, &GetField<&BatterRecord::OBP>},
    {{"", "  SL%", 46, AverageCell(5), 20}, &GetField<&BatterRecord::SLG>},
    {{"", "     BB", 51, IntCell(7), 21}, &GetField<&BatterRecord::BB>},
    {{"", "     SO", 51, IntCell(7), 22}, &GetField<&BatterRecord::SO>},
    {{"", "  IBB", 37, IntCell(5), 23}, &GetField<&BatterRecord::IBB>},
    {{"", "  HBP", 37, IntCell(5), 24}, &GetField<&BatterRecord::HBP>},
    {{"", "    SH", 44, IntCell(6), 25}, &GetField<&BatterRecord::SH>},
    {{"", "   SF", 39, IntCell(5), 26}, &GetField<&BatterRecord::SF>},
    {{"", "    SB", 46, IntCell(6), 27}, &GetField<&BatterRecord::SB>},
    {{"", "   CS", 37, IntCell(5), 28}, &GetField<&BatterRecord::CS>},
    {{"", "  GIDP", 49, IntCell(6), 29}, &GetField<&BatterRecord::GIDP>},
    {{"", " POS", 180, KindCell(CellKind::PositionsPlayed), 30},
     &GetField<&BatterRecord::Positions>},
    // The "More columns" option's columns.
    {{"", "   OPS", 46, AverageCell(6), 31}, &GetField<&BatterRecord::OPS>},
    {{"", " OPS+", 40, RealCell(5, 0), 32}, &GetField<&BatterRecord::OPSPlus>},
    {{"", "  ISO", 40, AverageCell(5), 33}, &GetField<&BatterRecord::ISO>},
    {{"", " BABIP", 46, AverageCell(6), 34}, &GetField<&BatterRecord::BABIP>},
    {{"", " AGE", 33, RealCell(4, 0), 35}, &GetField<&BatterRecord::Age>},
};
constexpr std::size_t kOwnColumns = 31;

// Entry k reads line k of a reply record.
const FieldReader<BatterRecord> kReaders[] = {
    &ReadLine<&BatterRecord::PlayerName>, // 0
    &ReadLine<&BatterRecord::Year>,       // 1
    &ReadLine<&BatterRecord::TeamCode>,   // 2
    &ReadLine<&BatterRecord::TeamName>,   // 3
    &ReadLine<&BatterRecord::League>,     // 4
    &ReadLine<&BatterRecord::G>,          // 5
    &ReadLine<&BatterRecord::PA>,         // 6
    &ReadLine<&BatterRecord::AB>,         // 7
    &ReadLine<&BatterRecord::RS>,         // 8
    &ReadLine<&BatterRecord::H>,          // 9
    &ReadLine<&BatterRecord::D>,          // 10
    &ReadLine<&BatterRecord::T>,          // 11
    &ReadLine<&BatterRecord::HR>,         // 12
    &ReadLine<&BatterRecord::RBI>,        // 13
    &ReadLine<&BatterRecord::AVG>,        // 14
    &ReadLine<&BatterRecord::OBP>,        // 15
    &ReadLine<&BatterRecord::SLG>,        // 16
    &ReadLine<&BatterRecord::BB>,         // 17
    &ReadLine<&BatterRecord::IBB>,        // 18
    &ReadLine<&BatterRecord::SO>,         // 19
    &ReadLine<&BatterRecord::HBP>,        // 20
    &ReadLine<&BatterRecord::SH>,         // 21
    &ReadLine<&BatterRecord::SF>,         // 22
    &ReadLine<&BatterRecord::SB>,         // 23
    &ReadLine<&BatterRecord::CS>,         // 24
    &ReadLine<&BatterRecord::GIDP>,       // 25
    &ReadLine<&BatterRecord::Positions>,  // 26
    &ReadLine<&BatterRecord::Bats>,       // 27
    &ReadLine<&BatterRecord::Throws>,     // 28
    &ReadLine<&BatterRecord::TB>,         // 29
    &ReadLine<&BatterRecord::S>,          // 30
    &ReadLine<&BatterRecord::OPS>,        // 31, "More columns" from here
    &ReadLine<&BatterRecord::OPSPlus>,    // 32
    &ReadLine<&BatterRecord::ISO>,        // 33
    &ReadLine<&BatterRecord::BABIP>,      // 34
    &ReadLine<&BatterRecord::Age>,        // 35
};

} // namespace

const RecordLayout<BatterRecord>& BatterLayout() {
    static const RecordLayout<BatterRecord> layout{
        90000, {std::begin(kReaders), std::begin(kReaders) + kOwnColumns}};
    return layout;
}

namespace {

const RecordLayout<BatterRecord>& moreLayout() {
    static const RecordLayout<BatterRecord> layout{90000,
                                                   {std::begin(kReaders), std::end(kReaders)}};
    return layout;
}

} // namespace

QString BatterCellText(const BatterRecord& record, int column, bool totalsRow) {
    if (totalsRow) {
        // The totals row names itself through the totals record's name,
        // shown whole; the descriptive columns and positions stay empty.
        if (column == 0) {
            return FormatText(record.PlayerName.view());
        }
        // Figures compared with a league, and the age, have no total.
        if ((column >= 1 && column <= 6) || column == 30 || column == 32 || column == 35) {
            return QString();
        }
    }
    // OPS+ goes below 0 for a batter without a hit or walk: only the marker
    // is missing there.
    const MissingReal missing =
        column == 32 ? MissingReal::Million : MissingReal::NegativeOrMillion;
    return ColumnCellText<BatterRecord>(kColumns, record, column, missing);
}

BandKey<BatterRecord> BatterBandKey(int bandMode) {
    switch (bandMode) {
    case 0:
        return [](const BatterRecord& r) { return r.PlayerName.view(); };
    case 1:
        return [](const BatterRecord& r) { return r.TeamName.view(); };
    case 2:
        return [](const BatterRecord& r) { return r.Year.view(); };
    default:
        return nullptr;
    }
}

const DatabaseInfo& BattersInfo() {
    static const std::vector<ColumnSpec> all = ColumnsOf(kColumns);
    static const std::span<const ColumnSpec> columns(all.data(), kOwnColumns);
    static const DatabaseInfo info{
        DatabaseKind::Batters,
        QStringLiteral("Baseball Batters Statistics"),
        QStringLiteral("/cgi-bin/getbat.exe"),
        QStringLiteral("Baseball Batters - Sort Options"),
        3,
        90000,
        90000,
        3,
        MissingReal::NegativeOrMillion,
        columns,
        {QStringLiteral("Player Name"),
         QStringLiteral("Year"),
         QStringLiteral("Team Code"),
         QStringLiteral("Team Name"),
         QStringLiteral("LGE - League"),
         QStringLiteral("BAT - Bats"),
         QStringLiteral("THR - Throws"),
         QStringLiteral("G   - Games"),
         QStringLiteral("PA  - Plate Appearances"),
         QStringLiteral("AB  - At Bats"),
         QStringLiteral("RS  - Runs Scored"),
         QStringLiteral("H   - Hits"),
         QStringLiteral("TB  - Total Bases"),
         QStringLiteral("S   - Singles"),
         QStringLiteral("D   - Doubles"),
         QStringLiteral("T   - Triples"),
         QStringLiteral("HR  - Home Runs"),
         QStringLiteral("RBI - Runs Batted In"),
         QStringLiteral("AVG - Batting Average"),
         QStringLiteral("OB% - On Base Percentage"),
         QStringLiteral("SL% - Slugging Percentage"),
         QStringLiteral("BB  - Base On Balls (Walks)"),
         QStringLiteral("SO  - Strikeouts"),
         QStringLiteral("IBB - Intentional Base On Balls"),
         QStringLiteral("HBP - Hit By Pitch"),
         QStringLiteral("SH  - Sacrifice Hits"),
         QStringLiteral("SF  - Sacrifice Flies"),
         QStringLiteral("SB  - Stolen Bases"),
         QStringLiteral("CS  - Caught Stealing"),
         QStringLiteral("GIDP- Grounded Into Double Play"),
         QStringLiteral("POS - Positions Played")},
        QStringLiteral("BSB"),
        QStringLiteral("Batter Print Definition File (*.BSB)|*.bsb"),
    };
    return info;
}

const DatabaseDescriptor<BatterRecord>& BattersDatabase(bool more) {
    static const DatabaseDescriptor<BatterRecord> descriptor{BattersInfo(), BatterLayout(),
                                                             &BatterCellText, &BatterBandKey};
    static const std::vector<ColumnSpec> all = ColumnsOf(kColumns);
    static const DatabaseInfo moreInfo = WithAddedColumns(
        BattersInfo(), all,
        {QStringLiteral("OPS - On Base Plus Slugging"), QStringLiteral("OPS+- Adjusted OPS"),
         QStringLiteral("ISO - Isolated Power"),
         QStringLiteral("BABIP - Batting Average On Balls In Play"), QStringLiteral("AGE - Age")});
    static const DatabaseDescriptor<BatterRecord> withMore{moreInfo, moreLayout(), &BatterCellText,
                                                           &BatterBandKey};
    return more ? withMore : descriptor;
}
