#include "databases/pitcherrecord.h"

#include <iterator>
#include <type_traits>

#include "databases/columntable.h"
#include "databases/fieldreaders.h"

static_assert(std::is_trivially_copyable_v<PitcherRecord>);

namespace {

const ColumnDef<PitcherRecord> kColumns[] = {
    {{"", "PLAYER NAME", 130, TextCell(), 0}, &GetField<&PitcherRecord::PlayerName>},
    {{"", "YEAR", 50, TextCell(), 1}, &GetField<&PitcherRecord::Year>},
    {{"TEAM", "CODE", 50, TextCell(), 2}, &GetField<&PitcherRecord::TeamCode>},
    {{"", "TEAM NAME", 200, TextCell(), 3}, &GetField<&PitcherRecord::TeamName>},
    {{"", "LGE", 31, TextCell(), 4}, &GetField<&PitcherRecord::League>},
    {{"", "THR", 25, KindCell(CellKind::CharAlone), 30}, &GetField<&PitcherRecord::Throws>},
    {{"", "     G", 45, IntCell(6), 5}, &GetField<&PitcherRecord::G>},
    {{"", "    GS", 45, IntCell(6), 6}, &GetField<&PitcherRecord::GS>},
    {{"", "    CG", 45, IntCell(6), 7}, &GetField<&PitcherRecord::CG>},
    {{"", "  SHO", 40, IntCell(5), 8}, &GetField<&PitcherRecord::SHO>},
    {{"", "    GF", 42, IntCell(6), 9}, &GetField<&PitcherRecord::GF>},
    {{"", "   SV", 40, IntCell(5), 10}, &GetField<&PitcherRecord::SV>},
    {{"", "   WON", 45, IntCell(6), 11}, &GetField<&PitcherRecord::W>},
    {{"", "  LOST", 47, IntCell(6), 12}, &GetField<&PitcherRecord::L>},
    {{"", "   ERA", 48, RealCell(6, 2), 13}, &GetField<&PitcherRecord::ERA>},
    {{"", "       IP", 71, RealCell(10, 2), 14}, &GetField<&PitcherRecord::IP>},
    {{"", "     BFP", 59, IntCell(8), 15}, &GetField<&PitcherRecord::BFP>},
    {{"", "      H", 48, IntCell(7), 16}, &GetField<&PitcherRecord::H>},
    {{"", "      R", 49, IntCell(7), 17}, &GetField<&PitcherRecord::R>},
    {{"", "     ER", 55, IntCell(7), 18}, &GetField<&PitcherRecord::ER>},
    {{"", "    HR", 50, IntCell(6), 19}, &GetField<&PitcherRecord::HR>},
    {{"", "     BB", 50, IntCell(7), 20}, &GetField<&PitcherRecord::BB>},
    {{"", "     SO", 53, IntCell(7), 21}, &GetField<&PitcherRecord::SO>},
    {{"", "  IBB", 38, IntCell(5), 22}, &GetField<&PitcherRecord::IBB>},
    {{"", "    HB", 46, IntCell(6), 23}, &GetField<&PitcherRecord::HB>},
    {{"", "    SH", 46, IntCell(6), 24}, &GetField<&PitcherRecord::SH>},
    {{"", "   SF", 44, IntCell(5), 25}, &GetField<&PitcherRecord::SF>},
    {{"", "   WP", 41, IntCell(5), 26}, &GetField<&PitcherRecord::WP>},
    {{"", "   BK", 44, IntCell(5), 27}, &GetField<&PitcherRecord::BK>},
    {{"   OPP", "   AVG", 55, AverageCell(6), 28}, &GetField<&PitcherRecord::OppAVG>},
    {{"  OPP", "  OB%", 55, AverageCell(5), 29}, &GetField<&PitcherRecord::OppOBP>},
    // The "More columns" option's columns.
    {{"", "  WHIP", 46, RealCell(6, 3), 31}, &GetField<&PitcherRecord::WHIP>},
    {{"", "   K/9", 46, RealCell(6, 1), 32}, &GetField<&PitcherRecord::K9>},
    {{"", "  BB/9", 46, RealCell(6, 1), 33}, &GetField<&PitcherRecord::BB9>},
    {{"", "  HR/9", 46, RealCell(6, 1), 34}, &GetField<&PitcherRecord::HR9>},
    {{"", "  K/BB", 46, RealCell(6, 2), 35}, &GetField<&PitcherRecord::KBB>},
    {{"", "  ERA+", 46, RealCell(6, 0), 36}, &GetField<&PitcherRecord::ERAPlus>},
    {{"", "   FIP", 46, RealCell(6, 2), 37}, &GetField<&PitcherRecord::FIP>},
    {{"", " AGE", 33, RealCell(4, 0), 38}, &GetField<&PitcherRecord::Age>},
};
constexpr std::size_t kOwnColumns = 31;

// Entry k reads line k of a reply record.
const FieldReader<PitcherRecord> kReaders[] = {
    &ReadLine<&PitcherRecord::PlayerName>, // 0
    &ReadLine<&PitcherRecord::Year>,       // 1
    &ReadLine<&PitcherRecord::TeamCode>,   // 2
    &ReadLine<&PitcherRecord::TeamName>,   // 3
    &ReadLine<&PitcherRecord::League>,     // 4
    &ReadLine<&PitcherRecord::G>,          // 5
    &ReadLine<&PitcherRecord::GS>,         // 6
    &ReadLine<&PitcherRecord::CG>,         // 7
    &ReadLine<&PitcherRecord::SHO>,        // 8
    &ReadLine<&PitcherRecord::GF>,         // 9
    &ReadLine<&PitcherRecord::SV>,         // 10
    &ReadLine<&PitcherRecord::W>,          // 11
    &ReadLine<&PitcherRecord::L>,          // 12
    &ReadLine<&PitcherRecord::ERA>,        // 13
    &ReadLine<&PitcherRecord::IP>,         // 14
    &ReadLine<&PitcherRecord::BFP>,        // 15
    &ReadLine<&PitcherRecord::H>,          // 16
    &ReadLine<&PitcherRecord::R>,          // 17
    &ReadLine<&PitcherRecord::ER>,         // 18
    &ReadLine<&PitcherRecord::HR>,         // 19
    &ReadLine<&PitcherRecord::BB>,         // 20
    &ReadLine<&PitcherRecord::SO>,         // 21
    &ReadLine<&PitcherRecord::IBB>,        // 22
    &ReadLine<&PitcherRecord::HB>,         // 23
    &ReadLine<&PitcherRecord::SH>,         // 24
    &ReadLine<&PitcherRecord::SF>,         // 25
    &ReadLine<&PitcherRecord::WP>,         // 26
    &ReadLine<&PitcherRecord::BK>,         // 27
    &ReadLine<&PitcherRecord::OppAVG>,     // 28
    &ReadLine<&PitcherRecord::OppOBP>,     // 29
    &ReadLine<&PitcherRecord::Throws>,     // 30
    &ReadLine<&PitcherRecord::WHIP>,       // 31, "More columns" from here
    &ReadLine<&PitcherRecord::K9>,         // 32
    &ReadLine<&PitcherRecord::BB9>,        // 33
    &ReadLine<&PitcherRecord::HR9>,        // 34
    &ReadLine<&PitcherRecord::KBB>,        // 35
    &ReadLine<&PitcherRecord::ERAPlus>,    // 36
    &ReadLine<&PitcherRecord::FIP>,        // 37
    &ReadLine<&PitcherRecord::Age>,        // 38
};

} // namespace

const RecordLayout<PitcherRecord>& PitcherLayout() {
    static const RecordLayout<PitcherRecord> layout{
        60000, {std::begin(kReaders), std::begin(kReaders) + kOwnColumns}};
    return layout;
}

namespace {

const RecordLayout<PitcherRecord>& moreLayout() {
    static const RecordLayout<PitcherRecord> layout{60000,
                                                    {std::begin(kReaders), std::end(kReaders)}};
    return layout;
}

} // namespace

QString PitcherCellText(const PitcherRecord& record, int column, bool totalsRow) {
    if (totalsRow && column >= 0 && column <= 5) {
        return column == 0 ? QStringLiteral(" TOTALS") : QString();
    }
    // Figures compared with a league, and the age, have no total.
    if (totalsRow && column >= 36 && column <= 38) {
        return QString();
    }
    return ColumnCellText<PitcherRecord>(kColumns, record, column, MissingReal::MinusOne);
}

BandKey<PitcherRecord> PitcherBandKey(int bandMode) {
    switch (bandMode) {
    case 0:
        return [](const PitcherRecord& r) { return r.PlayerName.view(); };
    case 1:
        return [](const PitcherRecord& r) { return r.TeamName.view(); };
    case 2:
        return [](const PitcherRecord& r) { return r.Year.view(); };
    default:
        return nullptr;
    }
}

const DatabaseInfo& PitchersInfo() {
    static const std::vector<ColumnSpec> all = ColumnsOf(kColumns);
    static const std::span<const ColumnSpec> columns(all.data(), kOwnColumns);
    static const DatabaseInfo info{
        DatabaseKind::Pitchers,
        QStringLiteral("Baseball Pitchers Statistics"),
        QStringLiteral("/cgi-bin/getpit.exe"),
        QStringLiteral("Baseball Pitchers - Sort Options"),
        3,
        60000,
        90000,
        3,
        MissingReal::MinusOne,
        columns,
        {QStringLiteral("Pitcher Name"),
         QStringLiteral("Year"),
         QStringLiteral("Team Code"),
         QStringLiteral("Team Name"),
         QStringLiteral("LGE - League"),
         QStringLiteral("G   - Games"),
         QStringLiteral("GS  - Games Started"),
         QStringLiteral("CG  - Complete Games"),
         QStringLiteral("SHO - Shutouts"),
         QStringLiteral("GF  - Games Finished"),
         QStringLiteral("SV  - Saves"),
         QStringLiteral("W   - Won"),
         QStringLiteral("L   - Lost"),
         QStringLiteral("ERA - Earned Run Average"),
         QStringLiteral("IP  - Innings Pitched"),
         QStringLiteral("BFP - Batters Faced Pitcher"),
         QStringLiteral("H   - Hits"),
         QStringLiteral("R   - Runs"),
         QStringLiteral("ER  - Earned Runs"),
         QStringLiteral("HR  - Home Runs Allowed"),
         QStringLiteral("BB  - Base On Balls (Walks)"),
         QStringLiteral("SO  - Strikeouts"),
         QStringLiteral("IBB - Intentional Base on Balls"),
         QStringLiteral("HB  - Hit Batters"),
         QStringLiteral("SH  - Sacrifice Hits"),
         QStringLiteral("SF  - Sacrifice Flies"),
         QStringLiteral("WP  - Wild Pitches"),
         QStringLiteral("BK  - Balks"),
         QStringLiteral("OPP AVG - Opponents Batting Average"),
         QStringLiteral("OPP OB% - Opponents On Base Percentage"),
         QStringLiteral("THR - Throws")},
        QStringLiteral("BSP"),
        QStringLiteral("Pitcher Print Definition File (*.BSP)|*.bsp"),
    };
    return info;
}

const DatabaseDescriptor<PitcherRecord>& PitchersDatabase(bool more) {
    static const DatabaseDescriptor<PitcherRecord> descriptor{PitchersInfo(), PitcherLayout(),
                                                              &PitcherCellText, &PitcherBandKey};
    static const std::vector<ColumnSpec> all = ColumnsOf(kColumns);
    static const DatabaseInfo moreInfo = WithAddedColumns(
        PitchersInfo(), all,
        {QStringLiteral("WHIP- Walks And Hits Per Inning"),
         QStringLiteral("K/9 - Strikeouts Per 9 Innings"),
         QStringLiteral("BB/9- Walks Per 9 Innings"),
         QStringLiteral("HR/9- Home Runs Per 9 Innings"),
         QStringLiteral("K/BB- Strikeouts Per Walk"), QStringLiteral("ERA+- Adjusted ERA"),
         QStringLiteral("FIP - Fielding Independent Pitching"), QStringLiteral("AGE - Age")});
    static const DatabaseDescriptor<PitcherRecord> withMore{moreInfo, moreLayout(),
                                                            &PitcherCellText, &PitcherBandKey};
    return more ? withMore : descriptor;
}
