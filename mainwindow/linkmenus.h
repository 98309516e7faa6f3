#pragma once

#include <array>

#include <QList>
#include <QObject>
#include <QString>

#include "mainwindow/linkopener.h"
#include "mainwindow/mainmenu.h"
#include "startup/cobrandconfig.h"

// The two co-brand link menus of the menu bar (positions 5 and 6): entry 0
// of a link list names the menu, entries 1..49 are its items ("-" makes a
// separator). An item opens its address and then emits its usage event.
class LinkMenus : public QObject {
    Q_OBJECT
public:
    // Works on the link menus of menu (built by buildMainMenu), hidden at
    // first.
    explicit LinkMenus(const MainMenu& menu, QObject* parent = nullptr);

    // Shows each menu whose switch is on and whose list holds at least one
    // entry, with items for entries 1 to min(count, 50) - 1; the other items
    // stay hidden. The site value goes into the usage events.
    void Apply(const CoBrandConfig& config, const QString& siteValue);
    // Hides both menus and every item.
    void HideAll();

    // Item k (1..49) of menu 0 (the first) or 1 (the second): opens the
    // address of that list's entry k, then emits the "MENUCLICK" event.
    void ItemClick(int menu, int k);

    void setLinkOpener(LinkOpener opener) { m_open = std::move(opener); }

signals:
    // The usage event text of a menu item click.
    void usageEvent(const QString& text);

private:
    void applyOne(int index, bool enabled, const QList<CoBrandMenuEntry>& entries);

    std::array<QMenu*, 2> m_menus{};
    std::array<std::array<QAction*, MainMenu::LinkItemCount>, 2> m_items{};
    std::array<QStringList, 2> m_urls;
    QString m_siteValue;
    LinkOpener m_open = OpenWithDesktop;
};
