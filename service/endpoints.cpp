#include "service/endpoints.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>
#include <stdexcept>

#include "service/contentstore.h"
#include "service/csvexport.h"
#include "service/engine/engine.h"
#include "service/eventlog.h"

namespace bbstatsd {

namespace {

// Runs a handler and turns what it throws into a refusal with its status and problem text.
HttpReply guarded(const std::function<HttpReply()>& handler) {
    try {
        return handler();
    } catch (const RequestError& error) {
        return problemReply(error.status(), error.what());
    } catch (const std::exception& error) {
        return problemReply(500, std::string("internal error: ") + error.what());
    }
}

// The value of key in a raw query, up to the next "&"; nullopt when the key is absent.
std::optional<std::string_view> queryValue(std::string_view query, std::string_view key) {
    std::size_t start = 0;
    while (start <= query.size()) {
        const auto end = std::min(query.find('&', start), query.size());
        const std::string_view pair = query.substr(start, end - start);
        if (pair.size() > key.size() && pair.starts_with(key) && pair[key.size()] == '=') {
            return pair.substr(key.size() + 1);
        }
        start = end + 1;
    }
    return std::nullopt;
}

} // namespace

const std::vector<std::string>& Endpoints::requiredFiles() {
    static const std::vector<std::string> files = {"index.html", "versions.txt", "baseballout.txt",
                                                   "adsettings.txt", "ads/click.html"};
    return files;
}

Endpoints::Endpoints(Engine& engine, const ContentStore& content, EventStore& events,
                     std::uint64_t exportBytes)
    : m_engine(engine), m_content(content), m_events(events),
      m_banners(content.namesUnder("ads/", ".gif")), m_exportBytes(exportBytes) {
    for (const std::string& name : requiredFiles()) {
        if (content.file(name) == nullptr) {
            throw std::runtime_error("content folder " + content.dir() + " lacks " + name);
        }
    }
    if (m_banners.empty()) {
        throw std::runtime_error("content folder " + content.dir() + " holds no ads/*.gif banner");
    }
}

std::vector<HttpRoute> Endpoints::routes() const {
    std::vector<HttpRoute> routes = {
        statistics("/cgi-bin/getbat.exe", static_cast<int>(Table::Batters)),
        statistics("/cgi-bin/getpit.exe", static_cast<int>(Table::Pitchers)),
        statistics("/cgi-bin/getfield.exe", static_cast<int>(Table::Fielders)),
        statistics("/cgi-bin/getbaseteam.exe", static_cast<int>(Table::Teams)),
        contentFile("/", "index.html", "text/html"),
        contentFile("/cgi-bin/verread.exe", "versions.txt", "text/plain"),
        contentFile("/baseballout.txt", "baseballout.txt", "text/plain"),
        contentFile("/verman.asp", "adsettings.txt", "text/plain"),
        contentFile("/ads/click.asp", "ads/click.html", "text/html"),
    };
    // The whole result of each statistics service as CSV; the texts being sent share one bound.
    const auto exportBudget = std::make_shared<ExportBudget>(m_exportBytes);
    for (const auto& [path, table] : {std::pair{"/cgi-bin/getbat.exe", Table::Batters},
                                      std::pair{"/cgi-bin/getpit.exe", Table::Pitchers},
                                      std::pair{"/cgi-bin/getfield.exe", Table::Fielders},
                                      std::pair{"/cgi-bin/getbaseteam.exe", Table::Teams}}) {
        routes.push_back(csvExportRoute(m_engine, path, table, exportBudget));
    }
    routes.push_back(
        {"GET", "/ads/banner.gif", [this](const HttpRequest& request) { return banner(request); }});
    routes.push_back(usageEvent());
    // Player search and facts: answered from memory at once, as cheap as a cached page.
    routes.push_back({"GET", "/players", [this](const HttpRequest& request) {
                          return guarded([&] {
                              HttpReply reply;
                              reply.contentType = "text/plain; charset=utf-8";
                              reply.body = m_engine.findPlayers(request.query);
                              return reply;
                          });
                      }});
    routes.push_back({"GET", "/player/*", [this](const HttpRequest& request) {
                          return guarded([&] {
                              HttpReply reply;
                              reply.contentType = "text/plain; charset=utf-8";
                              reply.body = m_engine.playerFacts(
                                  std::string_view(request.path).substr(std::size("/player/") - 1));
                              return reply;
                          });
                      }});
    return routes;
}

// A query whose result the cache holds is answered at once; any other goes to a worker.
HttpRoute Endpoints::statistics(const std::string& path, int table) const {
    HttpRoute route;
    route.method = "POST";
    route.path = path;
    route.handler = [this, table](const HttpRequest& request) {
        return guarded([&] {
            HttpReply reply;
            reply.body = m_engine.answer(static_cast<Table>(table), request.body, request.query);
            return reply;
        });
    };
    route.quick = [this, table](const HttpRequest& request) -> std::optional<HttpReply> {
        std::optional<std::string> body;
        std::string_view kept;
        HttpReply refusal = guarded([&] {
            body = m_engine.answerIfCached(static_cast<Table>(table), request.body, request.query,
                                           kept);
            return HttpReply{};
        });
        if (!body) {
            return refusal.status == 200 ? std::nullopt : std::optional<HttpReply>(refusal);
        }
        HttpReply reply;
        reply.body = std::move(*body);
        reply.keptBody = kept;
        return reply;
    };
    return route;
}

HttpRoute Endpoints::contentFile(const std::string& path, const std::string& file,
                                 const std::string& type) const {
    const std::string* bytes = m_content.file(file);
    return {"GET", path, [bytes, type](const HttpRequest&) {
                HttpReply reply;
                reply.contentType = type;
                reply.keptBody = *bytes; // the store outlives the server
                return reply;
            }};
}

// Any number picks one of the banners in turn; a missing or unreadable number picks the first.
HttpReply Endpoints::banner(const HttpRequest& request) const {
    unsigned long long number = 0;
    if (const auto value = queryValue(request.query, "n")) {
        std::from_chars(value->data(), value->data() + value->size(), number);
    }
    HttpReply reply;
    reply.contentType = "image/gif";
    reply.keptBody = *m_content.file(m_banners[number % m_banners.size()]);
    return reply;
}

// The event is everything after "Q=": the client does not encode the "&" of a URL it reports,
// so the rest of the query belongs to the event. Each address may send a few events a second,
// and all of them together a few dozen; what is refused is counted in the events store.
std::optional<HttpReply> Endpoints::checkEvent(const HttpRequest& request,
                                               std::string& text) const {
    const bool senderOver = !m_eventRate.admit(request.peer);
    if (senderOver || !m_allEventsRate.admit({})) {
        m_events.refuse();
        // Held back a second, so a flooding client waits instead of asking again at once.
        HttpReply refusal = problemReply(429, senderOver ? "too many events from this address"
                                                         : "too many events; try again later");
        refusal.delayMs = EventRefusalDelayMs;
        return refusal;
    }
    std::string_view query = request.query;
    std::size_t start = std::string_view::npos;
    if (query.starts_with("Q=")) {
        start = 2;
    } else if (const auto at = query.find("&Q="); at != std::string_view::npos) {
        start = at + 3;
    }
    if (start == std::string_view::npos) {
        m_events.refuse();
        return problemReply(400, "no Q= event text");
    }
    // Each stored byte takes at most three in the query.
    const std::string_view raw = query.substr(start);
    text = raw.size() > 3 * MaxEventBytes ? std::string(raw) : percentDecode(raw);
    if (const std::string problem = eventProblem(text); !problem.empty()) {
        m_events.refuse();
        return problemReply(400, problem);
    }
    return std::nullopt;
}

// Checked at once on the thread that read the request; stored by the events store, which
// answers once it has the event. The connection waits meanwhile without holding a thread.
HttpRoute Endpoints::usageEvent() const {
    HttpRoute route;
    route.method = "GET";
    route.path = "/999addlog.asp";
    route.textParameter = std::string("Q");
    route.quick = [this](const HttpRequest& request) -> std::optional<HttpReply> {
        std::string text;
        return checkEvent(request, text);
    };
    route.async = [this](const HttpRequest& request, std::function<void(HttpReply)> reply) {
        const std::string_view query = request.query;
        const auto at = query.starts_with("Q=") ? 0 : query.find("&Q=") + 1;
        m_events.submit(
            percentDecode(query.substr(at + 2)), request.peer,
            [reply = std::move(reply)](EventStore::Outcome outcome, const std::string& why) {
                if (outcome == EventStore::Outcome::Stored) {
                    HttpReply stored;
                    stored.body = "OK\r\n";
                    reply(std::move(stored));
                } else if (outcome == EventStore::Outcome::Unavailable) {
                    HttpReply refusal = problemReply(503, why);
                    refusal.headers.emplace_back("Retry-After", "5");
                    reply(std::move(refusal));
                } else {
                    reply(problemReply(500, why));
                }
            },
            request.gone);
    };
    return route;
}

} // namespace bbstatsd
