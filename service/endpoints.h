#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/csvexport.h"
#include "service/httpserver.h"
#include "service/ratelimiter.h"

namespace bbstatsd {

class Engine;
class ContentStore;
class EventStore;

// The service's paths and what answers them: the four statistics services (POST, answered by the
// engine), the version table, update text, ad settings, banners and the usage-event script (GET,
// from the content folder and the event log), the player search and facts (GET, from the engine).
// The news site's paths are NewsEndpoints'. The one place where the engine's typed errors become
// HTTP statuses.
class Endpoints {
public:
    // Usage events one client address may send: a burst, then so many a second.
    static constexpr double EventBurst = 20;
    static constexpr double EventsPerSecond = 5;
    // Usage events all senders together may send: a flood from many addresses cannot push the
    // older events out of the bounded store within minutes.
    static constexpr double AllEventsBurst = 200;
    static constexpr double AllEventsPerSecond = 50;
    // How long a refusal over either rate is held back.
    static constexpr unsigned EventRefusalDelayMs = 1000;

    // Content files every deployment must have, relative to the content folder.
    static const std::vector<std::string>& requiredFiles();

    // Keeps references to its three parts, which must outlive the routes. Throws
    // std::runtime_error naming the first required content file that is missing, or when the
    // folder holds no banner ("ads/*.gif").
    // `exportBytes` bounds the CSV export texts being sent at once.
    Endpoints(Engine& engine, const ContentStore& content, EventStore& events,
              std::uint64_t exportBytes = DefaultExportBudget);

    // The route table for HttpServer.
    std::vector<HttpRoute> routes() const;

private:
    HttpRoute statistics(const std::string& path, int table) const;
    HttpRoute contentFile(const std::string& path, const std::string& file,
                          const std::string& type) const;
    HttpReply banner(const HttpRequest& request) const;
    // The refusal of an event request, or nullopt when it passes; text gets the event.
    std::optional<HttpReply> checkEvent(const HttpRequest& request, std::string& text) const;
    HttpRoute usageEvent() const;

    Engine& m_engine;
    const ContentStore& m_content;
    EventStore& m_events;
    std::vector<std::string> m_banners;
    std::uint64_t m_exportBytes;
    mutable RateLimiter m_eventRate{EventsPerSecond, EventBurst};
    mutable RateLimiter m_allEventsRate{AllEventsPerSecond, AllEventsBurst};
};

} // namespace bbstatsd
