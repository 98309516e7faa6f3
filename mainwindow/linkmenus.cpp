#include "mainwindow/linkmenus.h"

#include <QAction>
#include <QMenu>

#include "protocol/usageevent.h"

LinkMenus::LinkMenus(const MainMenu& menu, QObject* parent)
    : QObject(parent), m_menus{menu.Korvex1, menu.Item1001}, m_items{menu.Korvex1Items,
                                                                     menu.Item1001Items} {
    for (int m = 0; m < 2; ++m) {
        for (int i = 0; i < MainMenu::LinkItemCount; ++i) {
            QAction* item = m_items[static_cast<std::size_t>(m)][static_cast<std::size_t>(i)];
            connect(item, &QAction::triggered, this, [this, m, i] { ItemClick(m, i + 1); });
        }
    }
}

void LinkMenus::Apply(const CoBrandConfig& config, const QString& siteValue) {
    m_siteValue = siteValue;
    applyOne(0, config.LinkMenu1Enabled, config.LinkMenu1);
    applyOne(1, config.LinkMenu2Enabled, config.LinkMenu2);
}

void LinkMenus::applyOne(int index, bool enabled, const QList<CoBrandMenuEntry>& entries) {
    const auto m = static_cast<std::size_t>(index);
    if (!enabled || entries.isEmpty()) {
        return;
    }
    const int count = std::min<int>(static_cast<int>(entries.size()), MainMenu::LinkItemCount + 1);
    m_urls[m].clear();
    for (int k = 0; k < count; ++k) {
        m_urls[m].append(entries[k].address);
    }
    m_menus[m]->setTitle(entries[0].caption);
    m_menus[m]->menuAction()->setVisible(true);
    for (int k = 1; k < count; ++k) {
        QAction* item = m_items[m][static_cast<std::size_t>(k - 1)];
        const QString& caption = entries[k].caption;
        // A "-" is a separator line; styles draw a separator's text as a
        // section title, so it keeps none.
        const bool separator = caption.trimmed() == QLatin1String("-");
        item->setText(separator ? QString() : caption);
        item->setSeparator(separator);
        item->setVisible(true);
    }
}

void LinkMenus::HideAll() {
    for (std::size_t m = 0; m < 2; ++m) {
        m_menus[m]->menuAction()->setVisible(false);
        for (QAction* item : m_items[m]) {
            item->setVisible(false);
        }
    }
}

void LinkMenus::ItemClick(int menu, int k) {
    if (menu < 0 || menu > 1) {
        return;
    }
    const QStringList& urls = m_urls[static_cast<std::size_t>(menu)];
    if (k < 1 || k >= urls.size()) {
        return;
    }
    const QString url = urls[k];
    m_open(url);
    emit usageEvent(UsageEventText(UsageEventType::MenuClick, url, m_siteValue));
}
