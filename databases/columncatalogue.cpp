#include "databases/columncatalogue.h"

namespace {

QList<CatalogueEntry> defaultEntries(DatabaseKind kind) {
    switch (kind) {
    case DatabaseKind::Batters:
        return {
            {18, QStringLiteral("Player Name")},
            {5, QStringLiteral("Year")},
            {5, QStringLiteral("Team Code")},
            {34, QStringLiteral("Team Name")},
            {5, QStringLiteral("LGE - League")},
            {3, QStringLiteral("BAT - Bats")},
            {3, QStringLiteral("THR - Throws")},
            {7, QStringLiteral("G   - Games")},
            {8, QStringLiteral("PA  - Plate Appearances")},
            {8, QStringLiteral("AB  - At Bats")},
            {7, QStringLiteral("RS  - Runs Scored")},
            {7, QStringLiteral("H   - Hits")},
            {7, QStringLiteral("TB  - Total Bases")},
            {7, QStringLiteral("S   - Singles")},
            {6, QStringLiteral("D   - Doubles")},
            {6, QStringLiteral("T   - Triples")},
            {6, QStringLiteral("HR  - Home Runs")},
            {8, QStringLiteral("RBI - Runs Batted In")},
            {6, QStringLiteral("AVG - Batting Average")},
            {6, QStringLiteral("OB% - On Base Percentage")},
            {6, QStringLiteral("SL% - Slugging Percentage")},
            {7, QStringLiteral("BB  - Base On Balls (Walks)")},
            {7, QStringLiteral("SO  - Strikeouts")},
            {5, QStringLiteral("IBB - Intentional Base On Balls")},
            {5, QStringLiteral("HBP - Hit By Pitch")},
            {6, QStringLiteral("SH  - Sacrifice Hits")},
            {5, QStringLiteral("SF  - Sacrifice Flies")},
            {6, QStringLiteral("SB  - Stolen Bases")},
            {5, QStringLiteral("CS  - Caught Stealing")},
            {7, QStringLiteral("GIDP- Grounded Into Double Play")},
            {21, QStringLiteral("POS - Positions Played")},
        };
    case DatabaseKind::Pitchers:
        return {
            {18, QStringLiteral("Player Name")},
            {5, QStringLiteral("Year")},
            {5, QStringLiteral("Team Code")},
            {34, QStringLiteral("Team Name")},
            {4, QStringLiteral("League")},
            {4, QStringLiteral("THR - Throws")},
            {7, QStringLiteral("G   - Games")},
            {7, QStringLiteral("GS  - Games Started")},
            {7, QStringLiteral("CG  - Complete Games")},
            {7, QStringLiteral("SHO - Shutouts")},
            {7, QStringLiteral("GF  - Games Finished")},
            {7, QStringLiteral("SV  - Saves")},
            {7, QStringLiteral("W   - Won")},
            {7, QStringLiteral("L   - Lost")},
            {9, QStringLiteral("ERA - Earned Run Average")},
            {7, QStringLiteral("IP  - Innings Pitched")},
            {7, QStringLiteral("BFP - Batters Faced Pitcher")},
            {7, QStringLiteral("H   - Hits")},
            {7, QStringLiteral("R   - Runs")},
            {7, QStringLiteral("ER  - Earned Runs")},
            {7, QStringLiteral("HR  - Home Runs Allowed")},
            {7, QStringLiteral("BB  - Base On Balls (Walks)")},
            {7, QStringLiteral("SO  - Strikeouts")},
            {7, QStringLiteral("IBB - Intentional Base on Balls")},
            {7, QStringLiteral("HB  - Hit Batters")},
            {7, QStringLiteral("SH  - Sacrifice Hits")},
            {7, QStringLiteral("SF  - Sacrifice Flies")},
            {7, QStringLiteral("WP  - Wild Pitches")},
            {7, QStringLiteral("BK  - Balks")},
            {7, QStringLiteral("OPP AVG - Opponents Batting Average")},
            {7, QStringLiteral("OPP OB% - Opponents On Base Percentage")},
        };
    case DatabaseKind::Fielders:
        return {
            {18, QStringLiteral("Player Name")},
            {5, QStringLiteral("Year")},
            {5, QStringLiteral("Team Code")},
            {34, QStringLiteral("Team Name")},
            {4, QStringLiteral("LGE    - League")},
            {5, QStringLiteral("POS    - Position")},
            {7, QStringLiteral("G      - Games")},
            {7, QStringLiteral("PO     - Putouts")},
            {7, QStringLiteral("AST    - Assists")},
            {7, QStringLiteral("ERR    - Errors")},
            {7, QStringLiteral("DP     - Double Plays")},
            {7, QStringLiteral("PB     - Passed Balls")},
            {8, QStringLiteral("TOT CH - Total Chances")},
            {7, QStringLiteral("RANGE  - Range = (PO+A)/G")},
            {7, QStringLiteral("TCH/G  - Total Chances per Game")},
            {7, QStringLiteral("FLD%   - Fielding Percentage")},
        };
    case DatabaseKind::Teams:
        return {
            {5, QStringLiteral("Year")},
            {5, QStringLiteral("Team Code")},
            {34, QStringLiteral("Team Name")},
            {4, QStringLiteral("LGE - League")},
            {4, QStringLiteral("DIV - Division")},
            {7, QStringLiteral("G   - Games")},
            {7, QStringLiteral("Won")},
            {7, QStringLiteral("Lost")},
            {7, QStringLiteral("GB  - Games Behind")},
            {7, QStringLiteral("W-L%")},
            {7, QStringLiteral("Home Wins")},
            {7, QStringLiteral("Home Losses")},
            {7, QStringLiteral("Away Wins")},
            {7, QStringLiteral("Away Losses")},
            {7, QStringLiteral("Batting  - TPA - Total Plate Appearances")},
            {7, QStringLiteral("Batting  - AB  - At Bats")},
            {7, QStringLiteral("Batting  - RS  - Runs Scored")},
            {7, QStringLiteral("Batting  - H   - Hits")},
            {7, QStringLiteral("Batting  - TB  - Total Bases")},
            {7, QStringLiteral("Batting  - D   - Doubles")},
            {7, QStringLiteral("Batting  - T   - Triples")},
            {7, QStringLiteral("Batting  - HR  - Home Runs")},
            {7, QStringLiteral("Batting  - RBI - Runs Batted In")},
            {7, QStringLiteral("Batting  - AVG - Average")},
            {7, QStringLiteral("Batting  - OB% - On Base Percentage")},
            {7, QStringLiteral("Batting  - SLG%- Slugging Percentage")},
            {7, QStringLiteral("Batting  - BB  - Base On Balls (Walks)")},
            {7, QStringLiteral("Batting  - IBB - Intentional Base on Balls (Walks)")},
            {7, QStringLiteral("Batting  - HBP - Hit By Pitch")},
            {7, QStringLiteral("Batting  - SO  - Strikeouts")},
            {7, QStringLiteral("Batting  - SacH- Sacrifice Hits")},
            {7, QStringLiteral("Batting  - SacF- Sacrifice Flies")},
            {7, QStringLiteral("Batting  - SB  - Stolen Bases")},
            {7, QStringLiteral("Batting  - CS  - Caught Stealing")},
            {7, QStringLiteral("Batting  - GIDP- Grounded Into Double Play")},
            {7, QStringLiteral("Batting  - LOB - Batters Left On Base")},
            {7, QStringLiteral("Batting  - SHO - Shutouts")},
            {7, QStringLiteral("Pitching - CG  - Complete Games")},
            {7, QStringLiteral("Pitching - SHO - Shutouts")},
            {7, QStringLiteral("Pitching - RA  - Relief Appearances")},
            {7, QStringLiteral("Pitching - SV  - Saves")},
            {9, QStringLiteral("Pitching - ERA - Earned Run Average")},
            {8, QStringLiteral("Pitching - IP  - Innings Pitched")},
            {7, QStringLiteral("Pitching - OPP H - Opponents Hits")},
            {7, QStringLiteral("Pitching - BFP - Batters Faced Pitcher")},
            {7, QStringLiteral("Pitching - OPP AB - Opponents At Bats")},
            {7, QStringLiteral("Pitching - OPP RS - Opponents Runs Scored")},
            {7, QStringLiteral("Pitching - OPP ER - Opponents Earned Runs")},
            {7, QStringLiteral("Pitching - OPP HR - Opponents Home Runs")},
            {7, QStringLiteral("Pitching - OPP BB - Opponents Base On Balls (Walks)")},
            {7, QStringLiteral("Pitching - OPP IBB- Opponents Intentional Base On Balls")},
            {7, QStringLiteral("Pitching - OPP HBP- Opponents Hit By Pitch")},
            {8, QStringLiteral("Pitching - OPP SO - Opponents Strikeouts")},
            {8, QStringLiteral("Pitching - OPP SacH - Opponents Sacrifice Hits")},
            {8, QStringLiteral("Pitching - OPP SacF - Opponents Sacrifice Flies")},
            {7, QStringLiteral("Pitching - WP  - Wild Pitches")},
            {7, QStringLiteral("Pitching - BK  - Balks")},
            {8, QStringLiteral("Pitching - OPP AVG - Opponents Batting Average")},
            {7, QStringLiteral("Pitching - OPP OB% - Opponents On Base Percentage")},
            {7, QStringLiteral("Fielding - PO  - Putouts")},
            {7, QStringLiteral("Fielding - AST - Assists")},
            {7, QStringLiteral("Fielding - ERR - Errors")},
            {7, QStringLiteral("Fielding - TOT CH - Total Chances")},
            {7, QStringLiteral("Fielding - DP  - Double Plays")},
            {7, QStringLiteral("Fielding - TP  - Triple Plays")},
            {7, QStringLiteral("Fielding - PB  - Passed Balls")},
            {7, QStringLiteral("Fielding - FA  - Fielding Average")},
        };
    }
    return {};
}

// Characters an added column takes on a printed line: its cell width and a
// separating blank.
std::int32_t addedPrintWidth(const ColumnSpec& column) {
    return column.format.width + 1;
}

} // namespace

int ColumnCatalogue::indexOf(const QString& description) const {
    for (int i = 0; i < count(); ++i) {
        if (entries[i].description == description) {
            return i;
        }
    }
    return -1;
}

ColumnCatalogue DefaultCatalogue(DatabaseKind kind, bool more) {
    ColumnCatalogue catalogue{kind, defaultEntries(kind)};
    if (more) {
        const DatabaseInfo& info = DatabaseInfoFor(kind, true);
        for (qsizetype field = catalogue.entries.size(); field < info.sortFields.size(); ++field) {
            catalogue.entries.append(
                {addedPrintWidth(info.columns[static_cast<std::size_t>(field)]),
                 info.sortFields[field]});
        }
    }
    return catalogue;
}

QString AddedColumnNamed(DatabaseKind kind, const QStringList& descriptions) {
    const QStringList& own = DatabaseInfoFor(kind, false).sortFields;
    const QStringList& all = DatabaseInfoFor(kind, true).sortFields;
    for (const QString& description : descriptions) {
        if (all.indexOf(description, own.size()) >= 0)
            return description;
    }
    return {};
}
