#pragma once

#include <optional>

#include <QString>

#include "databases/databaseinfo.h"

class QMdiArea;
class QueryTarget;

// The main menu's query commands that reach the active statistics view.
enum class QueryCommand {
    SelectPlayer,
    SelectTeam,
    SelectYear,
    SelectLeague,
    SelectPosition,
    Sort,
    Limit,
    Reset,
    Unhide,
    ColorOptions,
};

// The database whose view a command reaches, from the caption of the active
// child window (characters 10 to 15, 1-based): "Batter", "Pitche", "Fielde",
// else Teams; Select Player stops after "Pitche" (else Fielders); Select
// Position reaches only "Fielde". Nothing when no child is active
// (`hasActiveChild` false) or for Select Position on another view. Colour
// options go by the whole caption: one of the four view captions, else
// nothing.
std::optional<DatabaseKind> DispatchTarget(QueryCommand command, const QString& caption,
                                           bool hasActiveChild);

// Whether a view of `kind` enables the menu entry of `command` while it is
// active: Select Player is off for Teams, Select Position on for Fielders only.
bool CommandEnabled(DatabaseKind kind, QueryCommand command);

// The view a command reaches in `area`: the active child's view when it
// shows the dispatched database, else the open view of that database; null
// when there is none or the dispatch picks nothing.
QueryTarget* QueryTargetFor(QMdiArea* area, QueryCommand command);
