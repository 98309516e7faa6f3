#pragma once

#include <array>

#include <QByteArray>
#include <QString>

#include "databases/databaseinfo.h"

// The banner settings: from the co-brand block, possibly replaced at start-up
// by the site's row of the ad-settings table.
struct AdSettings {
    QString requestTemplate;
    QString clickTemplate;
    // 0: no banners; 1: only the left image of each window; other values:
    // both images.
    int slotsPerView = 0;

    bool operator==(const AdSettings&) const = default;
};

// Banner slots, numbered 1 to 8: two per database window.
inline constexpr int AdSlotCount = 8;

// The settings after the ad-settings table text `reply` (six lines per row:
// site identity, a note, slots per view, request template, click-through
// template, "1" when active). The last active row of `siteId` (exact
// comparisons) gives both templates and the slot count, read as the text up
// to its first "." in decimal (lenient: not a number reads as 0). No such
// row sets the slot count to 0 and keeps the templates. A row without all
// six lines is no row.
AdSettings ApplyAdSettingsReply(const AdSettings& current, const QByteArray& reply,
                                const QString& siteId);

// Whether `pattern` holds a placeholder, "{" or "}".
bool HasAdPlaceholder(const QString& pattern);

// `pattern` with its first "{" replaced by `number` in decimal, or when it
// has no "{", its first "}"; unchanged when it has neither.
QString SubstituteAdPlaceholder(const QString& pattern, qint64 number);

// The slot served after `current` (0 to 8): the next one, wrapping from 8 to
// 1, whose database was opened this run (`opened`: batters, pitchers,
// fielders, teams). 0 when no database was opened.
int NextAdSlot(int current, const std::array<int, 4>& opened);

// The database window of slot 1 to 8 (1-2 batters, 3-4 pitchers, 5-6
// fielders, 7-8 teams).
DatabaseKind AdSlotDatabase(int slot);

// The image of slot 1 to 8 in its window: 0 the left, 1 the right.
int AdSlotImage(int slot);
