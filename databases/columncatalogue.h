#pragma once

#include <cstdint>

#include <QList>
#include <QString>

#include "databases/databaseinfo.h"

// One column as the print options, Limit and column hiding list it.
struct CatalogueEntry {
    std::int32_t printWidth = 0; // characters reserved on a printed line
    QString description;         // at most 100 characters; the key of lookups
};

// A database's column descriptions in catalogue order; an entry's position
// is its column number.
struct ColumnCatalogue {
    DatabaseKind kind = DatabaseKind::Batters;
    QList<CatalogueEntry> entries;

    int count() const { return static_cast<int>(entries.size()); }
    // Position of the first entry whose description equals `description`
    // exactly (case-sensitive), or -1.
    int indexOf(const QString& description) const;
};

// The catalogue with its default print widths, freshly built on each call;
// with `more`, the "More columns" option's columns follow the database's own
// (their descriptions are the added sort fields' names).
ColumnCatalogue DefaultCatalogue(DatabaseKind kind, bool more = false);

// The first description in `descriptions` that names a column of the "More
// columns" option of `kind`; empty when none does.
QString AddedColumnNamed(DatabaseKind kind, const QStringList& descriptions);
