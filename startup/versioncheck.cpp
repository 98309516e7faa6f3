#include "startup/versioncheck.h"

#include <string_view>
#include <vector>

#include "protocol/httpcli.h"
#include "protocol/pagerequest.h"

namespace {

bool sameText(std::string_view line, const QString& text) {
    return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())) == text;
}

} // namespace

bool VersionCheck::RequiresUpdate(const QByteArray& reply, const QString& siteId,
                                  const QString& versionText) {
    const std::vector<std::string_view> lines = SplitReplyLines(
        std::string_view(reply.constData(), static_cast<std::size_t>(reply.size())));
    if (lines.empty()) {
        return false;
    }
    bool matched = false;
    std::size_t versionLine = 0;
    for (std::size_t r = 0; r + 2 < lines.size(); r += 3) {
        if (sameText(lines[r + 1], siteId) && lines[r] == "1") {
            matched = true;
            versionLine = r + 2;
        }
    }
    return !matched || !sameText(lines[versionLine], versionText);
}

bool VersionCheck::Run(THttpCli& client, const QString& primaryHost, const QString& siteId,
                       const QString& versionText) {
    const std::optional<QByteArray> reply = FetchBody(client, primaryHost + Path());
    return reply && RequiresUpdate(*reply, siteId, versionText);
}
