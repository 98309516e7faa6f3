#include "mainwindow/newsticker.h"

#include <QLabel>
#include <QTimer>

#include "mainwindow/clicklabel.h"
#include "mainwindow/headerband.h"
#include "platform/webaddress.h"
#include "protocol/httpcli.h"

namespace {

QFont headerFont(bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    font.setBold(bold);
    return font;
}

void setCaption(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

} // namespace

NewsTicker::NewsTicker(HeaderBand* band, QString siteRoot, QObject* parent)
    : QObject(parent), m_siteRoot(std::move(siteRoot)) {
    Label1 = new QLabel(QStringLiteral("TODAY"), band);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("YESTERDAY"), band);
    Label2->setObjectName(QStringLiteral("Label2"));
    for (auto [heading, left, top] : {std::tuple{Label1, 125, 0}, std::tuple{Label2, 124, 32}}) {
        heading->setFont(headerFont(true));
        heading->setAttribute(Qt::WA_NoMousePropagation);
        heading->adjustSize();
        heading->move(left, top);
    }
    Label3 = makeLink(band, "Label3", 150, 16);
    Label4 = makeLink(band, "Label4", 150, 48);
    Label5 = makeLink(band, "Label5", 549, 1);
    Label5->setFont(headerFont(true));
    setCaption(Label5, QStringLiteral("BASEBALL"));
    for (int i = 0; i < 3; ++i) {
        Article[static_cast<std::size_t>(i)] = makeLink(
            band, QStringLiteral("Article%1").arg(i + 1).toLatin1().constData(), 611, 16 + 14 * i);
    }

    connect(Label3, &ClickLabel::clicked, this, &NewsTicker::Label3Click);
    connect(Label4, &ClickLabel::clicked, this, &NewsTicker::Label4Click);
    connect(Label5, &ClickLabel::clicked, this, &NewsTicker::Label5Click);
    for (ClickLabel* line : {Label3, Label4}) {
        connect(line, &ClickLabel::hovered, this, &NewsTicker::Freeze);
    }
    for (int i = 0; i < 3; ++i) {
        ClickLabel* headline = Article[static_cast<std::size_t>(i)];
        connect(headline, &ClickLabel::clicked, this, [this, i] { ArticleClick(i); });
        connect(headline, &ClickLabel::hovered, this, &NewsTicker::Freeze);
    }
    connect(band, &HeaderBand::bareBandHovered, this, &NewsTicker::Resume);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    for (QTimer* timer : {Timer1, Timer2}) {
        timer->setInterval(IntervalMs);
    }
    connect(Timer1, &QTimer::timeout, this, &NewsTicker::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &NewsTicker::Timer2Timer);

    const std::pair<THttpCli**, const char*> clients[] = {
        {&HttpCli2, "scroller/dataFiles/todaysArticles.txt"},
        {&HttpCli3, "scroller/dataFiles/yesterDaysArticles.txt"},
        {&BaseballArticleGaffle, "home.asp?category=Baseball"},
        {&SummaryGank, "content.asp"}};
    for (const auto& [client, path] : clients) {
        *client = new THttpCli(this);
        (*client)->setURL(m_siteRoot + QString::fromLatin1(path));
    }
    m_articleLinks.fill(QStringLiteral("*"));
}

ClickLabel* NewsTicker::makeLink(QWidget* band, const char* name, int left, int top) {
    auto* label = new ClickLabel(band);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(headerFont(false));
    label->setCursor(Qt::PointingHandCursor);
    label->move(left, top);
    return label;
}

void NewsTicker::StartupValues() {
    m_enabled = true;
    for (QLabel* label : {static_cast<QLabel*>(Label3), static_cast<QLabel*>(Label4)}) {
        label->setToolTipDuration(HintTimeMs);
    }
    for (ClickLabel* headline : Article) {
        headline->setToolTipDuration(HintTimeMs);
    }
    m_tickerSide = 0;
    m_articleIndex = 0;
    m_articleLinks.fill(QStringLiteral("*"));
}

void NewsTicker::HideControls() {
    m_enabled = false;
    for (QLabel* label : {Label1, Label2, static_cast<QLabel*>(Label3),
                          static_cast<QLabel*>(Label4), static_cast<QLabel*>(Label5)}) {
        label->hide();
    }
    for (ClickLabel* headline : Article) {
        headline->hide();
    }
    Timer1->stop();
    Timer2->stop();
}

bool NewsTicker::fetchLines(THttpCli& client, QStringList& lines) {
    lines.clear();
    const std::optional<QByteArray> body = FetchBody(client, client.URL());
    if (!body) {
        return false;
    }
    lines = SplitNewsLines(*body);
    return true;
}

void NewsTicker::clearNews() {
    m_today.clear();
    m_yesterday.clear();
    m_page.clear();
    m_articles = ArticleTable{};
    m_newsReady = false;
    Timer1->stop();
    Timer2->stop();
}

bool NewsTicker::FetchNews() {
    fetchLines(*HttpCli2, m_today);
    m_todayPos = 0;
    m_yesterdayPos = 0;
    fetchLines(*HttpCli3, m_yesterday);
    if (!fetchLines(*BaseballArticleGaffle, m_page)) {
        clearNews();
        return false;
    }
    m_articles = ScrapeArticles(m_page);
    if (!fetchLines(*SummaryGank, m_page)) {
        clearNews();
        return false;
    }
    InsertSummaries(m_today, m_page);
    if (!fetchLines(*SummaryGank, m_page)) {
        clearNews();
        return false;
    }
    InsertSummaries(m_yesterday, m_page);
    m_newsReady = true;
    Timer1->start();
    Timer2->start();
    return true;
}

void NewsTicker::Timer1Timer() {
    m_tickerSide = 1 - m_tickerSide;
    const bool today = m_tickerSide == 1;
    const QStringList& list = today ? m_today : m_yesterday;
    int& position = today ? m_todayPos : m_yesterdayPos;
    const std::optional<TickerEntry> entry = NextTickerEntry(list, position);
    if (!entry) {
        return;
    }
    (today ? m_todayLink : m_yesterdayLink) = entry->link;
    ClickLabel* label = today ? Label3 : Label4;
    setCaption(label, entry->caption);
    label->setToolTip(entry->hint);
}

void NewsTicker::Timer2Timer() {
    m_articleIndex = NextArticleIndex(m_articleIndex);
    const int i = ArticleLabelFor(m_articleIndex);
    const NewsArticle& article = m_articles[static_cast<std::size_t>(m_articleIndex - 1)];
    ClickLabel* label = Article[static_cast<std::size_t>(i)];
    setCaption(label, article.Title);
    m_articleLinks[static_cast<std::size_t>(i)] = article.Link;
    label->setToolTip(article.Summary);
}

void NewsTicker::Label3Click() {
    openLine(m_todayLink);
}

void NewsTicker::Label4Click() {
    openLine(m_yesterdayLink);
}

void NewsTicker::openLine(const QString& link) {
    // The lists come from the network: only web addresses are opened.
    if (IsWebAddress(link)) {
        m_open(link);
    }
}

void NewsTicker::ArticleClick(int i) {
    if (i < 0 || i > 2) {
        return;
    }
    const QString& link = m_articleLinks[static_cast<std::size_t>(i)];
    if (link != QLatin1String("*")) {
        m_open(ArticleAddress(m_siteRoot, link));
    }
}

void NewsTicker::Label5Click() {
    m_open(m_siteRoot + QStringLiteral("home.asp?category=Baseball"));
}

void NewsTicker::Freeze() {
    Timer1->stop();
    Timer2->stop();
}

void NewsTicker::Resume() {
    if (!m_enabled || !m_newsReady) {
        return;
    }
    // A timer already running keeps its rhythm.
    for (QTimer* timer : {Timer1, Timer2}) {
        if (!timer->isActive()) {
            timer->start();
        }
    }
}
