#include "service/newsroutes.h"

#include <ctime>

#include "service/contentstore.h"

namespace bbstatsd {

namespace {

HttpReply page(std::string body, const char* type = "text/html; charset=utf-8") {
    HttpReply reply;
    reply.contentType = type;
    reply.body = std::move(body);
    return reply;
}

} // namespace

NewsDate NewsEndpoints::systemDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

NewsEndpoints::NewsEndpoints(const NewsSite& site, const ContentStore& content, Clock clock)
    : m_site(site), m_content(content), m_clock(std::move(clock)) {}

void NewsEndpoints::setSiteRoot(const std::string& root) {
    const std::lock_guard lock(m_rootMutex);
    m_root = root;
}

std::string NewsEndpoints::siteRoot() const {
    const std::lock_guard lock(m_rootMutex);
    return m_root;
}

std::vector<HttpRoute> NewsEndpoints::routes() const {
    struct Generated {
        const char* path;
        const char* file;
        const char* fileType;
        HttpHandler make;
    };
    const Generated pages[] = {
        {"/scroller/dataFiles/todaysArticles.txt", "news/todaysArticles.txt", "text/plain",
         [this](const HttpRequest&) {
             return page(m_site.tickerList(m_clock(), false, siteRoot()),
                         "text/plain; charset=utf-8");
         }},
        {"/scroller/dataFiles/yesterDaysArticles.txt", "news/yesterDaysArticles.txt", "text/plain",
         [this](const HttpRequest&) {
             return page(m_site.tickerList(m_clock(), true, siteRoot()),
                         "text/plain; charset=utf-8");
         }},
        {"/home.asp", "news/home.html", "text/html",
         [this](const HttpRequest&) { return page(m_site.homePage(m_clock())); }},
        {"/content.asp", "news/content.html", "text/html",
         [this](const HttpRequest&) { return page(m_site.summaryPage(m_clock())); }},
        {"/leaders/batting.html", "leaders/batting.html", "text/html",
         [this](const HttpRequest&) { return page(m_site.battingLeadersPage()); }},
        {"/leaders/pitching.html", "leaders/pitching.html", "text/html",
         [this](const HttpRequest&) { return page(m_site.pitchingLeadersPage()); }},
        {"/teams.html", "teams.html", "text/html",
         [this](const HttpRequest&) { return page(m_site.teamsPage()); }},
        {"/data.html", "data.html", "text/html",
         [this](const HttpRequest&) { return page(m_site.dataPage()); }},
        {"/download.html", "download.html", "text/html",
         [](const HttpRequest&) { return page(NewsSite::downloadPage()); }},
        {"/help.html", "help.html", "text/html",
         [](const HttpRequest&) { return page(NewsSite::helpPage()); }},
        {"/article.asp", "news/article.html", "text/html",
         [this](const HttpRequest& request) {
             if (auto article = m_site.articlePage(request.query)) {
                 return page(std::move(*article));
             }
             HttpReply missing = page("<HTML><BODY><P>There is no such article.</P></BODY>"
                                      "</HTML>\r\n");
             missing.status = 404;
             return missing;
         }},
    };
    std::vector<HttpRoute> routes;
    for (const Generated& generated : pages) {
        if (const std::string* bytes = m_content.file(generated.file)) {
            const std::string type = generated.fileType;
            routes.push_back({"GET", generated.path, [bytes, type](const HttpRequest&) {
                                  HttpReply reply;
                                  reply.contentType = type;
                                  reply.body = *bytes;
                                  return reply;
                              }});
        } else {
            routes.push_back({"GET", generated.path, generated.make});
        }
    }
    return routes;
}

} // namespace bbstatsd
