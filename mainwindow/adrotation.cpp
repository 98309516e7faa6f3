#include "mainwindow/adrotation.h"

#include <string_view>
#include <vector>

#include "databases/parseintlenient.h"
#include "protocol/pagerequest.h"

namespace {

bool sameText(std::string_view line, const QString& text) {
    return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())) == text;
}

QString text(std::string_view line) {
    return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
}

} // namespace

AdSettings ApplyAdSettingsReply(const AdSettings& current, const QByteArray& reply,
                                const QString& siteId) {
    const std::vector<std::string_view> lines = SplitReplyLines(
        std::string_view(reply.constData(), static_cast<std::size_t>(reply.size())));
    AdSettings settings = current;
    bool matched = false;
    for (std::size_t r = 0; r + 5 < lines.size(); r += 6) {
        if (sameText(lines[r], siteId) && lines[r + 5] == "1") {
            matched = true;
            settings.requestTemplate = text(lines[r + 3]);
            settings.clickTemplate = text(lines[r + 4]);
            settings.slotsPerView = ParseIntLenient(lines[r + 2]);
        }
    }
    if (!matched) {
        settings.slotsPerView = 0;
    }
    return settings;
}

bool HasAdPlaceholder(const QString& pattern) {
    return pattern.contains(QLatin1Char('{')) || pattern.contains(QLatin1Char('}'));
}

QString SubstituteAdPlaceholder(const QString& pattern, qint64 number) {
    qsizetype at = pattern.indexOf(QLatin1Char('{'));
    if (at < 0) {
        at = pattern.indexOf(QLatin1Char('}'));
    }
    if (at < 0) {
        return pattern;
    }
    QString result = pattern;
    result.replace(at, 1, QString::number(number));
    return result;
}

int NextAdSlot(int current, const std::array<int, 4>& opened) {
    bool any = false;
    for (const int flag : opened) {
        any = any || flag != 0;
    }
    if (!any) {
        return 0;
    }
    int slot = current;
    do {
        slot = slot >= AdSlotCount || slot < 0 ? 1 : slot + 1;
    } while (opened[static_cast<std::size_t>((slot - 1) / 2)] == 0);
    return slot;
}

DatabaseKind AdSlotDatabase(int slot) {
    static const DatabaseKind kinds[] = {DatabaseKind::Batters, DatabaseKind::Pitchers,
                                         DatabaseKind::Fielders, DatabaseKind::Teams};
    const int index = slot >= 1 && slot <= AdSlotCount ? (slot - 1) / 2 : 0;
    return kinds[index];
}

int AdSlotImage(int slot) {
    return slot >= 1 && slot <= AdSlotCount ? (slot - 1) % 2 : 0;
}
