#include "query/querydispatch.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include "query/querytarget.h"

namespace {

std::optional<DatabaseKind> KindFromWholeCaption(const QString& caption) {
    for (DatabaseKind kind : {DatabaseKind::Batters, DatabaseKind::Pitchers, DatabaseKind::Fielders,
                              DatabaseKind::Teams}) {
        if (caption == DatabaseInfoFor(kind).caption)
            return kind;
    }
    return std::nullopt;
}

QueryTarget* TargetOf(QMdiSubWindow* window) {
    return window != nullptr ? dynamic_cast<QueryTarget*>(window->widget()) : nullptr;
}

} // namespace

std::optional<DatabaseKind> DispatchTarget(QueryCommand command, const QString& caption,
                                           bool hasActiveChild) {
    if (!hasActiveChild)
        return std::nullopt;
    if (command == QueryCommand::ColorOptions)
        return KindFromWholeCaption(caption);
    // Characters 10 to 15, 1-based; a shorter caption yields what it has.
    const QString key = caption.mid(9, 6);
    if (command == QueryCommand::SelectPosition) {
        if (key == QLatin1String("Fielde"))
            return DatabaseKind::Fielders;
        return std::nullopt;
    }
    if (key == QLatin1String("Batter"))
        return DatabaseKind::Batters;
    if (key == QLatin1String("Pitche"))
        return DatabaseKind::Pitchers;
    if (command == QueryCommand::SelectPlayer)
        return DatabaseKind::Fielders;
    if (key == QLatin1String("Fielde"))
        return DatabaseKind::Fielders;
    return DatabaseKind::Teams;
}

bool CommandEnabled(DatabaseKind kind, QueryCommand command) {
    switch (command) {
    case QueryCommand::SelectPlayer:
        return kind != DatabaseKind::Teams;
    case QueryCommand::SelectPosition:
        return kind == DatabaseKind::Fielders;
    default:
        return true;
    }
}

QueryTarget* QueryTargetFor(QMdiArea* area, QueryCommand command) {
    if (area == nullptr)
        return nullptr;
    QMdiSubWindow* active = area->currentSubWindow();
    if (active == nullptr || active->widget() == nullptr)
        return nullptr;
    const std::optional<DatabaseKind> kind =
        DispatchTarget(command, active->widget()->windowTitle(), true);
    if (!kind)
        return nullptr;
    QueryTarget* target = TargetOf(active);
    if (target != nullptr && target->databaseKind() == *kind)
        return target;
    // The dispatch named another database than the active view's: its open
    // view, if any, receives the command.
    for (QMdiSubWindow* window : area->subWindowList()) {
        QueryTarget* other = TargetOf(window);
        if (other != nullptr && other->databaseKind() == *kind)
            return other;
    }
    return nullptr;
}
