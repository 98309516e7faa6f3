#include "printing/printtexts.h"

#include <algorithm>
#include <iterator>
#include <variant>

#include "databases/cellformat.h"
#include "databases/columncatalogue.h"
#include "databases/columntable.h"

namespace {

// How a column's field becomes its printed text.
enum class PrintKind {
    Text,             // the text without trailing blanks
    BlankThenText,    // a blank and the text, at most 4 characters; totals: the text alone
    Char,             // the one-letter code
    Number,           // an integer, or a real with `decimals`
    Positions,        // a blank and the first 19 characters; " ---" when they hold "-1"
    DashMeansMissing, // "---" when the text begins with "-", else the text
};

template <class Record> struct PrintColumnDef {
    const char* header1;
    const char* header2;
    PrintKind kind;
    FieldGetter<Record> get;
    int decimals = 0;
    // A fixed totals text in place of the totals record's own.
    const char* totalsText = nullptr;
    // Which reals are missing; figures that may fall below 0 (OPS+, FIP)
    // follow the window's rule for them.
    MissingReal missing = MissingReal::NegativeOrMillion;
};

template <class Record>
constexpr PrintColumnDef<Record> num(const char* header2, FieldGetter<Record> get,
                                     const char* header1 = " ", int decimals = 0) {
    return {header1, header2, PrintKind::Number, get, decimals, nullptr};
}

using B = BatterRecord;
const PrintColumnDef<B> kBatters[] = {
    {"       ", "PLAYER NAME", PrintKind::Text, &GetField<&B::PlayerName>, 0, "TOTALS "},
    {"    ", "YEAR", PrintKind::Text, &GetField<&B::Year>, 0, "     "},
    {"TEAM", "CODE", PrintKind::Text, &GetField<&B::TeamCode>},
    {" ", "TEAM NAME", PrintKind::Text, &GetField<&B::TeamName>},
    {" ", " LGE", PrintKind::BlankThenText, &GetField<&B::League>},
    {" ", "B", PrintKind::Char, &GetField<&B::Bats>},
    {" ", "T", PrintKind::Char, &GetField<&B::Throws>},
    num<B>("      G", &GetField<&B::G>),
    num<B>("      PA", &GetField<&B::PA>),
    num<B>("      AB", &GetField<&B::AB>),
    num<B>("     RS", &GetField<&B::RS>),
    num<B>("      H", &GetField<&B::H>),
    num<B>("     TB", &GetField<&B::TB>),
    num<B>("      S", &GetField<&B::S>),
    num<B>("     D", &GetField<&B::D>),
    num<B>("     T", &GetField<&B::T>),
    num<B>("    HR", &GetField<&B::HR>),
    num<B>("     RBI", &GetField<&B::RBI>),
    num<B>("   AVG", &GetField<&B::AVG>, " ", 3),
    num<B>("   OBP", &GetField<&B::OBP>, " ", 3),
    num<B>("   SLP", &GetField<&B::SLG>, " ", 3),
    num<B>("     BB", &GetField<&B::BB>),
    num<B>("     SO", &GetField<&B::SO>),
    num<B>("  IBB", &GetField<&B::IBB>),
    num<B>("  HBP", &GetField<&B::HBP>),
    num<B>("    SH", &GetField<&B::SH>),
    num<B>("   SF", &GetField<&B::SF>),
    num<B>("    SB", &GetField<&B::SB>),
    num<B>("   CS", &GetField<&B::CS>),
    num<B>("   GIDP", &GetField<&B::GIDP>),
    {" ", " POS", PrintKind::Positions, &GetField<&B::Positions>},
    // "More columns"; figures compared with a league, and the age, have no total.
    num<B>("   OPS", &GetField<&B::OPS>, " ", 3),
    {" ", " OPS+", PrintKind::Number, &GetField<&B::OPSPlus>, 0, "", MissingReal::Million},
    num<B>("   ISO", &GetField<&B::ISO>, " ", 3),
    num<B>(" BABIP", &GetField<&B::BABIP>, " ", 3),
    {" ", " AGE", PrintKind::Number, &GetField<&B::Age>, 0, ""},
};

using P = PitcherRecord;
const PrintColumnDef<P> kPitchers[] = {
    {" ", "PLAYER NAME", PrintKind::Text, &GetField<&P::PlayerName>},
    {" ", "YEAR", PrintKind::Text, &GetField<&P::Year>},
    {"TEAM", "CODE", PrintKind::Text, &GetField<&P::TeamCode>},
    {" ", "TEAM NAME", PrintKind::Text, &GetField<&P::TeamName>},
    {" ", "LGE", PrintKind::Text, &GetField<&P::League>},
    {" ", "THR", PrintKind::Char, &GetField<&P::Throws>},
    num<P>("      G", &GetField<&P::G>),
    num<P>("     GS", &GetField<&P::GS>),
    num<P>("     CG", &GetField<&P::CG>),
    num<P>("    SHO", &GetField<&P::SHO>),
    num<P>("     GF", &GetField<&P::GF>),
    num<P>("     SV", &GetField<&P::SV>),
    num<P>("    WON", &GetField<&P::W>),
    num<P>("   LOST", &GetField<&P::L>),
    num<P>("    ERA", &GetField<&P::ERA>, " ", 2),
    num<P>("    IP", &GetField<&P::IP>, " ", 2),
    num<P>("    BFP", &GetField<&P::BFP>),
    num<P>("      H", &GetField<&P::H>),
    num<P>("      R", &GetField<&P::R>),
    num<P>("     ER", &GetField<&P::ER>),
    num<P>("     HR", &GetField<&P::HR>),
    num<P>("     BB", &GetField<&P::BB>),
    num<P>("     SO", &GetField<&P::SO>),
    num<P>("    IBB", &GetField<&P::IBB>),
    num<P>("     HB", &GetField<&P::HB>),
    num<P>("     SH", &GetField<&P::SH>),
    num<P>("     SF", &GetField<&P::SF>),
    num<P>("     WP", &GetField<&P::WP>),
    num<P>("     BK", &GetField<&P::BK>),
    num<P>("    AVG", &GetField<&P::OppAVG>, "    OPP", 3),
    num<P>("    OBP", &GetField<&P::OppOBP>, "    OPP", 3),
    // "More columns"; figures compared with a league, and the age, have no total.
    num<P>("   WHIP", &GetField<&P::WHIP>, " ", 3),
    num<P>("    K/9", &GetField<&P::K9>, " ", 1),
    num<P>("   BB/9", &GetField<&P::BB9>, " ", 1),
    num<P>("   HR/9", &GetField<&P::HR9>, " ", 1),
    num<P>("   K/BB", &GetField<&P::KBB>, " ", 2),
    {" ", "   ERA+", PrintKind::Number, &GetField<&P::ERAPlus>, 0, ""},
    {" ", "    FIP", PrintKind::Number, &GetField<&P::FIP>, 2, "", MissingReal::MinusOne},
    {" ", "    AGE", PrintKind::Number, &GetField<&P::Age>, 0, ""},
};

using F = FielderRecord;
const PrintColumnDef<F> kFielders[] = {
    {" ", "PLAYER NAME", PrintKind::Text, &GetField<&F::PlayerName>},
    {" ", "YEAR", PrintKind::Text, &GetField<&F::Year>},
    {"TEAM", "CODE", PrintKind::Text, &GetField<&F::TeamCode>},
    {" ", "TEAM NAME", PrintKind::Text, &GetField<&F::TeamName>},
    {" ", " LGE", PrintKind::Text, &GetField<&F::League>},
    {" ", " POS", PrintKind::DashMeansMissing, &GetField<&F::Position>},
    num<F>("      G", &GetField<&F::G>),
    num<F>("     PO", &GetField<&F::PO>),
    num<F>("    AST", &GetField<&F::AST>),
    num<F>("    ERR", &GetField<&F::ERR>),
    num<F>("     DP", &GetField<&F::DP>),
    num<F>("     PB", &GetField<&F::PB>),
    num<F>("  TOT CH", &GetField<&F::TotalChances>),
    num<F>("  RANGE", &GetField<&F::Range>, " ", 2),
    num<F>("  TCH/G", &GetField<&F::ChancesPerGame>, " ", 2),
    num<F>("   FLDP", &GetField<&F::FieldingPct>, " ", 3),
    // "More columns"; the age has no total.
    {" ", "    AGE", PrintKind::Number, &GetField<&F::Age>, 0, ""},
};

using T = TeamRecord;
const PrintColumnDef<T> kTeams[] = {
    {" ", "YEAR", PrintKind::Text, &GetField<&T::Year>},
    {"TEAM", "CDE", PrintKind::Text, &GetField<&T::TeamCode>},
    {" ", "TEAM NAME", PrintKind::Text, &GetField<&T::TeamName>},
    {" ", "LGE", PrintKind::Text, &GetField<&T::League>},
    {" ", "DIV", PrintKind::DashMeansMissing, &GetField<&T::Division>},
    num<T>("      G", &GetField<&T::G>),
    num<T>("    WON", &GetField<&T::W>),
    num<T>("   LOST", &GetField<&T::L>),
    num<T>("     GB", &GetField<&T::GB>, " ", 1),
    num<T>("  WLpct", &GetField<&T::WLPct>, " ", 3),
    num<T>("    WON", &GetField<&T::HomeW>, "   HOME"),
    num<T>("   LOST", &GetField<&T::HomeL>, "   HOME"),
    num<T>("    WON", &GetField<&T::AwayW>, "   AWAY"),
    num<T>("   LOST", &GetField<&T::AwayL>, "   AWAY"),
    num<T>("    TPA", &GetField<&T::TPA>),
    num<T>("     AB", &GetField<&T::AB>),
    num<T>("     RS", &GetField<&T::RS>),
    num<T>("      H", &GetField<&T::H>),
    num<T>("     TB", &GetField<&T::TB>),
    num<T>("      D", &GetField<&T::D>),
    num<T>("      T", &GetField<&T::T>),
    num<T>("     HR", &GetField<&T::HR>),
    num<T>("    RBI", &GetField<&T::RBI>),
    num<T>("    AVG", &GetField<&T::AVG>, " ", 3),
    num<T>("    OBP", &GetField<&T::OBP>, " ", 3),
    num<T>("   SLGP", &GetField<&T::SLG>, " ", 3),
    num<T>("     BB", &GetField<&T::BB>),
    num<T>("    IBB", &GetField<&T::IBB>),
    num<T>("    HBP", &GetField<&T::HBP>),
    num<T>("     SO", &GetField<&T::SO>),
    num<T>("   HITS", &GetField<&T::SacH>, "    SAC"),
    num<T>("  FLIES", &GetField<&T::SacF>, "    SAC"),
    num<T>("     SB", &GetField<&T::SB>),
    num<T>("     CS", &GetField<&T::CS>),
    num<T>("   GIDP", &GetField<&T::GIDP>, "    BAT"),
    num<T>("    LOB", &GetField<&T::LOB>, "    BAT"),
    num<T>("    SHO", &GetField<&T::BatSHO>, "    BAT"),
    num<T>("     CG", &GetField<&T::CG>, "    PIT"),
    num<T>("    SHO", &GetField<&T::SHO>, "    PIT"),
    num<T>("     RA", &GetField<&T::RA>, "    PIT"),
    num<T>("     SV", &GetField<&T::SV>),
    num<T>("    ERA", &GetField<&T::ERA>, " ", 2),
    num<T>("    IP", &GetField<&T::IP>, " ", 2),
    num<T>("   HITS", &GetField<&T::OppH>, "    OPP"),
    num<T>("    BFP", &GetField<&T::BFP>),
    num<T>("     AB", &GetField<&T::OppAB>, "    OPP"),
    num<T>("     RS", &GetField<&T::OppRS>, "    OPP"),
    num<T>("     ER", &GetField<&T::OppER>, "    OPP"),
    num<T>("     HR", &GetField<&T::OppHR>, "    OPP"),
    num<T>("     BB", &GetField<&T::OppBB>, "    OPP"),
    num<T>("    IBB", &GetField<&T::OppIBB>, "    OPP"),
    num<T>("     HB", &GetField<&T::OppHBP>, "    OPP"),
    num<T>("     SO", &GetField<&T::OppSO>, "    OPP"),
    num<T>("   SacH", &GetField<&T::OppSacH>, "    OPP"),
    num<T>("    SacF", &GetField<&T::OppSacF>, "     OPP"),
    num<T>("     WP", &GetField<&T::WP>),
    num<T>("     BK", &GetField<&T::BK>),
    num<T>("    AVG", &GetField<&T::OppAVG>, "    OPP", 3),
    num<T>("    OBP", &GetField<&T::OppOBP>, "    OPP", 3),
    num<T>("     PO", &GetField<&T::PO>),
    num<T>("    AST", &GetField<&T::AST>),
    num<T>("    ERR", &GetField<&T::ERR>),
    num<T>("     CH", &GetField<&T::TotalChances>, "    TOT"),
    num<T>("     DP", &GetField<&T::DP>),
    num<T>("     TP", &GetField<&T::TP>),
    num<T>("     PB", &GetField<&T::PB>),
    num<T>("  FLDP", &GetField<&T::FA>, " ", 3),
    // "More columns"; ERA+ is compared with a league and has no total.
    num<T>("    OPS", &GetField<&T::OPS>, " ", 3),
    {" ", "   ERA+", PrintKind::Number, &GetField<&T::ERAPlus>, 0, ""},
    num<T>("  WLpct", &GetField<&T::ExpWLPct>, "    EXP", 3),
};

static_assert(std::size(kBatters) == 36 && std::size(kPitchers) == 39 &&
              std::size(kFielders) == 17 && std::size(kTeams) == 70);

// Per record type: its database and its print columns in catalogue order.
template <class Record> struct PrintTable;
template <> struct PrintTable<BatterRecord> {
    static constexpr DatabaseKind kind = DatabaseKind::Batters;
    static std::span<const PrintColumnDef<B>> columns() { return kBatters; }
};
template <> struct PrintTable<PitcherRecord> {
    static constexpr DatabaseKind kind = DatabaseKind::Pitchers;
    static std::span<const PrintColumnDef<P>> columns() { return kPitchers; }
};
template <> struct PrintTable<FielderRecord> {
    static constexpr DatabaseKind kind = DatabaseKind::Fielders;
    static std::span<const PrintColumnDef<F>> columns() { return kFielders; }
};
template <> struct PrintTable<TeamRecord> {
    static constexpr DatabaseKind kind = DatabaseKind::Teams;
    static std::span<const PrintColumnDef<T>> columns() { return kTeams; }
};

// Width numbers are right-aligned in: the print width for Batters, 7
// characters for the others, 8 for two Teams columns. Padding stops at 4096
// characters, so a width typed as 99999999 cannot make texts of that length;
// a line that wide has cells too small to see on any paper anyway.
int numberWidth(DatabaseKind kind, const QString& description, std::int32_t printWidth) {
    constexpr std::int32_t MostPadding = 4096;
    if (kind == DatabaseKind::Batters) {
        return std::min(printWidth, MostPadding);
    }
    if (kind == DatabaseKind::Teams &&
        (description == QStringLiteral("Pitching - IP  - Innings Pitched") ||
         description == QStringLiteral("Pitching - OPP SacF - Opponents Sacrifice Flies"))) {
        return 8;
    }
    return 7;
}

template <class Record>
QString fieldText(const PrintColumnDef<Record>& def, const Record& record, int width,
                  bool totalsLine) {
    const FieldValue value = def.get(record);
    const auto* text = std::get_if<std::string_view>(&value);
    switch (def.kind) {
    case PrintKind::Text:
        return text ? FormatText(*text) : QString();
    case PrintKind::BlankThenText:
        if (!text) {
            return QString();
        }
        return totalsLine ? FormatText(*text) : (QLatin1Char(' ') + FormatText(*text)).left(4);
    case PrintKind::Char: {
        const auto* c = std::get_if<char>(&value);
        return c ? FormatChar(*c, false) : QString();
    }
    case PrintKind::Number:
        if (const auto* number = std::get_if<std::int32_t>(&value)) {
            return FormatInteger(*number, width);
        }
        if (const auto* real = std::get_if<double>(&value)) {
            return PrintReal(*real, width, def.decimals, def.missing);
        }
        return QString();
    case PrintKind::Positions:
        if (!text) {
            return QString();
        }
        // A season without a recorded position is missing, as on screen.
        if (text->find("-1") != std::string_view::npos) {
            return QStringLiteral(" ---");
        }
        return QLatin1Char(' ') + FormatText(*text).left(19);
    case PrintKind::DashMeansMissing:
        return text ? FormatDashMeansMissing(*text) : QString();
    }
    return QString();
}

// Widens a column of numbers so that every value keeps a blank before it
// (a total such as 6082145 in a column of 7 would run into its neighbour)
// and right-aligns the values again when any was longer than the column
// (numbers in 7 characters printed at a smaller width), so that no digit is
// ever cut. The titles move right with the values.
void fitNumbers(PrintPage& page, std::size_t column) {
    std::vector<QString*> values;
    for (QStringList& row : page.rows) {
        values.push_back(&row[static_cast<qsizetype>(column)]);
    }
    values.push_back(&page.totals[static_cast<qsizetype>(column)]);
    const std::int32_t width = page.widths[column];
    std::int32_t needed = width;
    bool longer = false;
    for (const QString* value : values) {
        const QString digits = value->trimmed();
        if (!digits.isEmpty()) {
            needed = std::max(needed, static_cast<std::int32_t>(digits.size()) + 1);
        }
        longer = longer || value->size() > width;
    }
    if (needed == width && !longer) {
        return;
    }
    for (QString* value : values) {
        if (!value->trimmed().isEmpty()) {
            *value = value->trimmed().rightJustified(needed);
        }
    }
    const QString shift(std::max(needed - std::max(width, 0), 0), QLatin1Char(' '));
    page.header1[static_cast<qsizetype>(column)].prepend(shift);
    page.header2[static_cast<qsizetype>(column)].prepend(shift);
    page.widths[column] = needed;
}

} // namespace

QString PrintReal(double value, int width, int decimals, MissingReal missing) {
    QString text = FormatReal(value, width, decimals, false, missing);
    for (int i = 0; i < 2 && i < text.size(); ++i) {
        if (text[i] == QLatin1Char('0')) {
            text[i] = QLatin1Char(' ');
        }
    }
    return text;
}

template <class Record>
PrintPage BuildPrintPage(const QList<PrintColumn>& columns, std::span<const Record* const> rows,
                         const Record& totals) {
    constexpr DatabaseKind kind = PrintTable<Record>::kind;
    const std::span<const PrintColumnDef<Record>> table = PrintTable<Record>::columns();
    // The "More columns" catalogue holds the database's own columns under the
    // same numbers and descriptions, the added ones after them.
    const ColumnCatalogue catalogue = DefaultCatalogue(kind, true);

    PrintPage page;
    page.rows.resize(rows.size());
    for (const PrintColumn& column : columns) {
        page.widths.push_back(column.width);
        const int index = catalogue.indexOf(column.description);
        if (index < 0 || static_cast<std::size_t>(index) >= table.size()) {
            page.header1.append(QString());
            page.header2.append(QString());
            for (QStringList& row : page.rows) {
                row.append(QString());
            }
            page.totals.append(QString());
            continue;
        }
        const PrintColumnDef<Record>& def = table[static_cast<std::size_t>(index)];
        const int width = numberWidth(kind, column.description, column.width);
        page.header1.append(QString::fromLatin1(def.header1));
        page.header2.append(QString::fromLatin1(def.header2));
        for (std::size_t r = 0; r < rows.size(); ++r) {
            page.rows[r].append(rows[r] ? fieldText(def, *rows[r], width, false) : QString());
        }
        page.totals.append(def.totalsText ? QString::fromLatin1(def.totalsText)
                                          : fieldText(def, totals, width, true));
        if (def.kind == PrintKind::Number) {
            fitNumbers(page, page.widths.size() - 1);
        }
    }
    return page;
}

template PrintPage BuildPrintPage(const QList<PrintColumn>&, std::span<const BatterRecord* const>,
                                  const BatterRecord&);
template PrintPage BuildPrintPage(const QList<PrintColumn>&, std::span<const PitcherRecord* const>,
                                  const PitcherRecord&);
template PrintPage BuildPrintPage(const QList<PrintColumn>&, std::span<const FielderRecord* const>,
                                  const FielderRecord&);
template PrintPage BuildPrintPage(const QList<PrintColumn>&, std::span<const TeamRecord* const>,
                                  const TeamRecord&);
