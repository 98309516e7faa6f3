#pragma once

#include <cstdint>
#include <span>

#include <QList>
#include <QString>

#include "databases/batterrecord.h"
#include "databases/cellformat.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "databases/teamrecord.h"
#include "printing/printlayout.h"

// One column chosen for printing: its description, which names the column
// among the database's own, and its print width.
struct PrintColumn {
    QString description;
    std::int32_t width = 0;
};

// The page of one print run of a database: for each of `columns`, its two
// header titles, its text in each of `rows` and in the totals line made from
// `totals`. A null row is a record that has not arrived and prints as a blank
// line. A description that is not one of the database's columns prints
// nothing but its width in blanks. Numbers are right-aligned in the print
// width (Batters) or in 7 characters (8 for two Teams columns), "---" where
// the value is missing; a "0" in the first or second character of a real
// becomes a blank. A column of numbers is widened (its titles moved right
// with it) until every value has a blank before it, and its values are
// right-aligned again in that width when any was longer: no digit is cut.
template <class Record>
PrintPage BuildPrintPage(const QList<PrintColumn>& columns, std::span<const Record* const> rows,
                         const Record& totals);

extern template PrintPage BuildPrintPage(const QList<PrintColumn>&,
                                         std::span<const BatterRecord* const>, const BatterRecord&);
extern template PrintPage BuildPrintPage(const QList<PrintColumn>&,
                                         std::span<const PitcherRecord* const>,
                                         const PitcherRecord&);
extern template PrintPage BuildPrintPage(const QList<PrintColumn>&,
                                         std::span<const FielderRecord* const>,
                                         const FielderRecord&);
extern template PrintPage BuildPrintPage(const QList<PrintColumn>&,
                                         std::span<const TeamRecord* const>, const TeamRecord&);

// A real as printed: `decimals` decimals right-aligned in `width`, "---"
// where `missing` says (by default below 0 or at exactly 1,000,000); then a
// "0" in the first and one in the second character are blanked (0.300 in 6
// prints "  .300", in 7 " 0.300").
QString PrintReal(double value, int width, int decimals,
                  MissingReal missing = MissingReal::NegativeOrMillion);
