#include "databases/databaseinfo.h"

#include "databases/batterrecord.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "databases/teamrecord.h"

const DatabaseInfo& DatabaseInfoFor(DatabaseKind kind, bool more) {
    switch (kind) {
    case DatabaseKind::Batters:
        return BattersDatabase(more).info;
    case DatabaseKind::Pitchers:
        return PitchersDatabase(more).info;
    case DatabaseKind::Fielders:
        return FieldersDatabase(more).info;
    case DatabaseKind::Teams:
        return TeamsDatabase(more).info;
    }
    return BattersInfo();
}

DatabaseInfo WithAddedColumns(const DatabaseInfo& base, std::span<const ColumnSpec> columns,
                              const QStringList& addedFields) {
    DatabaseInfo info = base;
    info.columns = columns;
    info.sortFields += addedFields;
    return info;
}

int AddedColumnCount(DatabaseKind kind) {
    const DatabaseInfo& base = DatabaseInfoFor(kind, false);
    return static_cast<int>(DatabaseInfoFor(kind, true).columns.size() - base.columns.size());
}
