#include "mainwindow/demosamples.h"

#include <initializer_list>

#include "databases/parseintlenient.h"

namespace {

struct Link {
    const char* caption;
    const char* path; // under the site root; nullptr for no address
};

QString address(const QString& root, const char* path) {
    return path == nullptr ? QString() : root + QString::fromLatin1(path);
}

CoBrandToolbarEntry toolbarEntry(const QString& caption, const QString& url, int left, int top) {
    CoBrandToolbarEntry e;
    e.caption = caption;
    e.address = url;
    e.leftText = QString::number(left);
    e.topText = QString::number(top);
    e.left = ParseIntLenient(e.leftText.toStdString());
    e.top = ParseIntLenient(e.topText.toStdString());
    return e;
}

// Links in columns of three rows from `left`, `step` pixels apart.
QList<CoBrandToolbarEntry> toolbar(const QString& root, std::initializer_list<Link> links, int left,
                                   int step) {
    static constexpr int tops[] = {3, 21, 39};
    QList<CoBrandToolbarEntry> entries;
    int i = 0;
    for (const Link& link : links) {
        entries.append(toolbarEntry(QString::fromLatin1(link.caption), address(root, link.path),
                                    left + (i / 3) * step, tops[i % 3]));
        ++i;
    }
    return entries;
}

QList<CoBrandMenuEntry> menu(const QString& root, const QString& partner,
                             std::initializer_list<Link> links) {
    QList<CoBrandMenuEntry> entries{{partner, QString()}, {QStringLiteral("Main Page"), root}};
    for (const Link& link : links) {
        entries.append({QString::fromLatin1(link.caption), address(root, link.path)});
    }
    return entries;
}

QFont font(const char* family, int points, bool bold, bool italic, bool underline) {
    QFont f{QString::fromLatin1(family)};
    f.setPointSize(points);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

void generic(CoBrandConfig& c) {
    c.WindowTitle = QStringLiteral("The All Time Baseball Statistics Database for the Internet");
    c.HeaderColor = QColor(Qt::white);
    c.LinkFont = font("MS Sans Serif", 10, false, false, true);
    c.LinkFontColor = QColor(Qt::red);
    c.LinkMenu1.clear();
    for (const char* caption :
         {"Your Site Name", "Link to your main page", "Link to your sports teams page",
          "Link to your sports articles page", "Link to your scores page", "Etc."}) {
        c.LinkMenu1.append({QString::fromLatin1(caption), QString()});
    }
    // One word per link: together they read as one sentence.
    static constexpr const char* words[] = {"Place",    "as",      "many", "links", "to",
                                            "your",     "website", "and",  "your",  "website's",
                                            "subpages", "as",      "you",  "wish",  "here"};
    static constexpr int lefts[] = {220, 270, 310, 365, 435};
    static constexpr int tops[] = {3, 19, 35};
    c.ToolbarLinks.clear();
    for (int i = 0; i < 15; ++i) {
        c.ToolbarLinks.append(
            toolbarEntry(QString::fromLatin1(words[i]), QString(), lefts[i / 3], tops[i % 3]));
    }
}

void harborCity(CoBrandConfig& c, const QString& r) {
    const QString name = QStringLiteral("Harbor City Herald");
    c.HeaderColor = QColor(0xE8, 0xEE, 0xF6);
    c.LinkFont = font("Times New Roman", 9, true, false, false);
    c.LinkFontColor = QColor(0x12, 0x3A, 0x6B);
    c.LinkMenu1 = menu(r, name,
                       {{"Baseball news", "home.asp?category=Baseball"},
                        {"Birthdays in baseball", "content.asp"},
                        {"-", nullptr},
                        {"Red Sox seasons", "article.asp?team=BOS"},
                        {"Yankees seasons", "article.asp?team=NYA"},
                        {"Mets seasons", "article.asp?team=NYN"}});
    c.ToolbarLinks = toolbar(r,
                             {{"Front page", ""},
                              {"Baseball", "home.asp?category=Baseball"},
                              {"Birthdays", "content.asp"},
                              {"Red Sox", "article.asp?team=BOS"},
                              {"Yankees", "article.asp?team=NYA"},
                              {"Mets", "article.asp?team=NYN"},
                              {"Phillies", "article.asp?team=PHI"},
                              {"Orioles", "article.asp?team=BAL"},
                              {"Nationals", "article.asp?team=WAS"},
                              {"Ruth", "article.asp?player=ruthba01"},
                              {"Gehrig", "article.asp?player=gehrilo01"}},
                             215, 85);
}

void prairie(CoBrandConfig& c, const QString& r) {
    const QString name = QStringLiteral("Prairie Sports Net");
    c.HeaderColor = QColor(0xEE, 0xF5, 0xE4);
    c.LinkFont = font("Arial", 9, true, false, true);
    c.LinkFontColor = QColor(0x2E, 0x6B, 0x1F);
    c.LinkMenu1 = menu(r, name,
                       {{"Baseball headlines", "home.asp?category=Baseball"},
                        {"-", nullptr},
                        {"Royals", "article.asp?team=KCA"},
                        {"Twins", "article.asp?team=MIN"},
                        {"Cardinals", "article.asp?team=SLN"},
                        {"Cubs", "article.asp?team=CHN"},
                        {"Brewers", "article.asp?team=MIL"}});
    c.ToolbarLinks = toolbar(r,
                             {{"Home", ""},
                              {"Headlines", "home.asp?category=Baseball"},
                              {"Birthdays", "content.asp"},
                              {"Royals", "article.asp?team=KCA"},
                              {"Twins", "article.asp?team=MIN"},
                              {"Cardinals", "article.asp?team=SLN"},
                              {"Cubs", "article.asp?team=CHN"},
                              {"Brewers", "article.asp?team=MIL"},
                              {"Rockies", "article.asp?team=COL"},
                              {"Musial", "article.asp?player=musiast01"},
                              {"Banks", "article.asp?player=bankser01"},
                              {"Brett", "article.asp?player=brettge01"}},
                             215, 85);
}

void summitValley(CoBrandConfig& c, const QString& r) {
    const QString name = QStringLiteral("Summit Valley Gazette");
    c.HeaderColor = QColor(0xF6, 0xEB, 0xD5);
    c.LinkFont = font("Arial", 9, false, true, false);
    c.LinkFontColor = QColor(0x6B, 0x1E, 0x2A);
    c.LinkMenu1 = menu(r, name,
                       {{"Sports desk", "home.asp?category=Baseball"},
                        {"Born this week", "content.asp"},
                        {"-", nullptr},
                        {"Rockies", "article.asp?team=COL"},
                        {"Diamondbacks", "article.asp?team=ARI"},
                        {"Giants", "article.asp?team=SFN"},
                        {"Dodgers", "article.asp?team=LAN"},
                        {"Padres", "article.asp?team=SDN"},
                        {"Mariners", "article.asp?team=SEA"}});
    c.ToolbarLinks = toolbar(r,
                             {{"Gazette", ""},
                              {"Sports desk", "home.asp?category=Baseball"},
                              {"Birthdays", "content.asp"},
                              {"Rockies", "article.asp?team=COL"},
                              {"D-backs", "article.asp?team=ARI"},
                              {"Giants", "article.asp?team=SFN"},
                              {"Dodgers", "article.asp?team=LAN"},
                              {"Padres", "article.asp?team=SDN"},
                              {"Mariners", "article.asp?team=SEA"},
                              {"Mays", "article.asp?player=mayswi01"},
                              {"Koufax", "article.asp?player=koufasa01"},
                              {"Gwynn", "article.asp?player=gwynnto01"}},
                             215, 85);
}

void lakeshore(CoBrandConfig& c, const QString& r) {
    const QString name = QStringLiteral("Lakeshore Fans");
    c.HeaderColor = QColor(0xFF, 0xF7, 0xC7);
    c.LinkFont = font("Arial Narrow", 10, true, false, true);
    c.LinkFontColor = QColor(0x0E, 0x5C, 0x63);
    // A fan site with a page for every club.
    c.LinkMenu1 = menu(
        r, name, {{"Angels", "article.asp?team=LAA"},       {"Astros", "article.asp?team=HOU"},
                  {"Athletics", "article.asp?team=OAK"},    {"Blue Jays", "article.asp?team=TOR"},
                  {"Braves", "article.asp?team=ATL"},       {"Brewers", "article.asp?team=MIL"},
                  {"Cardinals", "article.asp?team=SLN"},    {"Cubs", "article.asp?team=CHN"},
                  {"Diamondbacks", "article.asp?team=ARI"}, {"Dodgers", "article.asp?team=LAN"},
                  {"Giants", "article.asp?team=SFN"},       {"Guardians", "article.asp?team=CLE"},
                  {"Mariners", "article.asp?team=SEA"},     {"Marlins", "article.asp?team=MIA"},
                  {"Mets", "article.asp?team=NYN"},         {"Nationals", "article.asp?team=WAS"},
                  {"Orioles", "article.asp?team=BAL"},      {"Padres", "article.asp?team=SDN"},
                  {"Phillies", "article.asp?team=PHI"},     {"Pirates", "article.asp?team=PIT"},
                  {"Rangers", "article.asp?team=TEX"},      {"Rays", "article.asp?team=TBA"},
                  {"Red Sox", "article.asp?team=BOS"},      {"Reds", "article.asp?team=CIN"},
                  {"Rockies", "article.asp?team=COL"},      {"Royals", "article.asp?team=KCA"},
                  {"Tigers", "article.asp?team=DET"},       {"Twins", "article.asp?team=MIN"},
                  {"White Sox", "article.asp?team=CHA"}});
    c.ToolbarLinks = toolbar(r,
                             {{"Fan home", ""},
                              {"News", "home.asp?category=Baseball"},
                              {"Birthdays", "content.asp"},
                              {"Cubs", "article.asp?team=CHN"},
                              {"White Sox", "article.asp?team=CHA"},
                              {"Tigers", "article.asp?team=DET"},
                              {"Guardians", "article.asp?team=CLE"},
                              {"Brewers", "article.asp?team=MIL"},
                              {"Blue Jays", "article.asp?team=TOR"},
                              {"Banks", "article.asp?player=bankser01"},
                              {"Cobb", "article.asp?player=cobbty01"},
                              {"Feller", "article.asp?player=fellebo01"}},
                             215, 80);
}

} // namespace

int NextDemoStep(int step) {
    return step >= 0 && step < DemoStepCount - 1 ? step + 1 : 0;
}

void ApplyDemoSample(int step, CoBrandConfig& config, const QString& siteRoot) {
    config.HeaderHeight = 60;
    config.HeaderEnabled = true;
    config.LinkMenu1Enabled = true;
    config.LinkMenu2Enabled = false;
    config.LinkMenu2.clear();
    static const char* const partners[] = {"Harbor City Herald", "Prairie Sports Net",
                                           "Summit Valley Gazette", "Lakeshore Fans"};
    if (step >= 1 && step <= 4) {
        config.WindowTitle = QStringLiteral("The %1 All Time Baseball Statistics Database for "
                                            "the Internet")
                                 .arg(QString::fromLatin1(partners[step - 1]));
    }
    switch (step) {
    case 1:
        harborCity(config, siteRoot);
        break;
    case 2:
        prairie(config, siteRoot);
        break;
    case 3:
        summitValley(config, siteRoot);
        break;
    case 4:
        lakeshore(config, siteRoot);
        break;
    default:
        generic(config);
        break;
    }
}
