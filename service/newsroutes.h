#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "service/httpserver.h"
#include "service/newssite.h"

namespace bbstatsd {

class ContentStore;

// The news site's paths: the two ticker lists, the baseball page, the summary page, the
// article pages, and the pages the default header and link menus name (batting and pitching
// leaders, team histories, data, download, help). Each is made by the NewsSite (for the date
// of the clock at the moment it is asked for) unless the content folder holds its file
// (news/todaysArticles.txt, news/yesterDaysArticles.txt, news/home.html, news/content.html,
// news/article.html, leaders/batting.html, leaders/pitching.html, teams.html, data.html,
// download.html, help.html), which is then served as it is.
class NewsEndpoints {
public:
    using Clock = std::function<NewsDate()>;

    // The local date of the machine.
    static NewsDate systemDate();

    // Keeps references to site and content, which must outlive the routes.
    NewsEndpoints(const NewsSite& site, const ContentStore& content, Clock clock);

    // The address the ticker lists link under ("http://HOST:PORT/"); safe while serving.
    void setSiteRoot(const std::string& root);

    // The route table for HttpServer.
    std::vector<HttpRoute> routes() const;

private:
    std::string siteRoot() const;

    const NewsSite& m_site;
    const ContentStore& m_content;
    Clock m_clock;
    mutable std::mutex m_rootMutex;
    std::string m_root = "http://127.0.0.1:8461/";
};

} // namespace bbstatsd
