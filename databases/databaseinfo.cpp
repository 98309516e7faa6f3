#include "databases/databaseinfo.h"

#include "databases/batterrecord.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "databases/teamrecord.h"

const DatabaseInfo& DatabaseInfoFor(DatabaseKind kind) {
    switch (kind) {
    case DatabaseKind::Batters:
        return BattersInfo();
    case DatabaseKind::Pitchers:
        return PitchersInfo();
    case DatabaseKind::Fielders:
        return FieldersInfo();
    case DatabaseKind::Teams:
        return TeamsInfo();
    }
    return BattersInfo();
}
