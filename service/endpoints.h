#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "service/csvexport.h"
#include "service/httpserver.h"
#include "service/ratelimiter.h"

namespace bbstatsd {

class Engine;
class ContentStore;
class EventLog;

// The service's paths and what answers them: the four statistics services (POST, answered by the
// engine), the version table, update text, ad settings, banners and the usage-event script (GET,
// from the content folder and the event log). The news site's paths are NewsEndpoints'. The one
// place where the engine's typed errors become HTTP statuses.
class Endpoints {
public:
    // Usage events one client address may send: a burst, then so many a second.
    static constexpr double EventBurst = 20;
    static constexpr double EventsPerSecond = 5;
    // How long a refusal over that rate is held back.
    static constexpr unsigned EventRefusalDelayMs = 1000;

    // Content files every deployment must have, relative to the content folder.
    static const std::vector<std::string>& requiredFiles();

    // Keeps references to its three parts, which must outlive the routes. Throws
    // std::runtime_error naming the first required content file that is missing, or when the
    // folder holds no banner ("ads/*.gif").
    // `exportBytes` bounds the CSV export texts being sent at once.
    Endpoints(Engine& engine, const ContentStore& content, EventLog& events,
              std::uint64_t exportBytes = DefaultExportBudget);

    // The route table for HttpServer.
    std::vector<HttpRoute> routes() const;

private:
    HttpRoute statistics(const std::string& path, int table) const;
    HttpRoute contentFile(const std::string& path, const std::string& file,
                          const std::string& type) const;
    HttpReply banner(const HttpRequest& request) const;
    HttpReply usageEvent(const HttpRequest& request) const;

    Engine& m_engine;
    const ContentStore& m_content;
    EventLog& m_events;
    std::vector<std::string> m_banners;
    std::uint64_t m_exportBytes;
    mutable RateLimiter m_eventRate{EventsPerSecond, EventBurst};
};

} // namespace bbstatsd
