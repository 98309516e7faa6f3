#pragma once

#include "databases/databaseinfo.h"

class QAction;
struct MainMenu;

// The main-menu entry that opens `kind` ("&Batters", "&Pitchers", ...).
QAction* OpenCommandOf(const MainMenu& menu, DatabaseKind kind);

// The query commands for an active (or newly created) view of `kind`: every
// query command enabled, Select Player except for Teams, Select Position for
// Fielders only, and the database's own open command disabled.
void ApplyViewMenuState(const MainMenu& menu, DatabaseKind kind);

// After a view of `kind` closed: every query command disabled and the
// database's own open command enabled again.
void ApplyViewClosedMenuState(const MainMenu& menu, DatabaseKind kind);
