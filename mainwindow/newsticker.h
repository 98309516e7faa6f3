#pragma once

#include <array>

#include <QObject>
#include <QString>
#include <QStringList>

#include "mainwindow/linkopener.h"
#include "mainwindow/newsparsing.h"

class ClickLabel;
class HeaderBand;
class QLabel;
class QTimer;
class QWidget;
class THttpCli;

// The news ticker on the header band: today's and yesterday's lines under
// "TODAY" and "YESTERDAY" (`Label3`, `Label4`), stepped by `Timer1`, and
// three headlines (`Article1`..`Article3`) stepped by `Timer2`, all fetched
// once from the news site while the main window is created. A line or
// headline opens its article; the pointer on one freezes both rotations
// until it moves over the bare band.
class NewsTicker : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 3000;
    static constexpr int HintTimeMs = 60000;

    // Puts the ticker's labels on band at their design places. siteRoot is
    // the news site's root address, ending in "/".
    NewsTicker(HeaderBand* band, QString siteRoot, QObject* parent = nullptr);

    // Start-up values: long hints, the first side and headline, no headline
    // links ("*").
    void StartupValues();
    // With the ticker off: every ticker label hidden, both timers off.
    void HideControls();
    // Fetches both lists, the baseball page and the summary page (twice),
    // scrapes the headlines, inserts the summaries and starts both timers.
    // A list that cannot be fetched stays empty. When a page cannot be
    // fetched, lists and headlines are left empty, the timers stay off and
    // false is returned; the caller goes on either way.
    bool FetchNews();

    // Ticker step: alternately today's and yesterday's line shows its next
    // entry.
    void Timer1Timer();
    // Headline step: the next of the 12 headlines, on its label.
    void Timer2Timer();

    // Today's or yesterday's line: opens its article when its link is a web
    // address (the lists come from the network).
    void Label3Click();
    void Label4Click();
    // Headline label 0..2: opens its article once it has one.
    void ArticleClick(int i);
    // "BASEBALL": opens the news site's baseball page.
    void Label5Click();
    // Pointer on a line or headline: both timers off.
    void Freeze();
    // Pointer on the bare band: both timers on again, when there is news.
    void Resume();

    void setLinkOpener(LinkOpener opener) { m_open = std::move(opener); }
    const QString& SiteRoot() const { return m_siteRoot; }

    // The lists and headlines as fetched (summaries inserted).
    const QStringList& TodayList() const { return m_today; }
    const QStringList& YesterdayList() const { return m_yesterday; }
    const ArticleTable& Articles() const { return m_articles; }
    const QString& TodayLink() const { return m_todayLink; }
    const QString& YesterdayLink() const { return m_yesterdayLink; }

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    ClickLabel* Label3 = nullptr;
    ClickLabel* Label4 = nullptr;
    ClickLabel* Label5 = nullptr;
    std::array<ClickLabel*, 3> Article{};
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    THttpCli* HttpCli2 = nullptr;
    THttpCli* HttpCli3 = nullptr;
    THttpCli* BaseballArticleGaffle = nullptr;
    THttpCli* SummaryGank = nullptr;

private:
    ClickLabel* makeLink(QWidget* band, const char* name, int left, int top);
    // GETs client's address into lines; false (lines empty) when it fails.
    static bool fetchLines(THttpCli& client, QStringList& lines);
    void clearNews();
    void openLine(const QString& link);

    QString m_siteRoot;
    LinkOpener m_open = OpenWithDesktop;
    QStringList m_today;     // ListBox2
    QStringList m_yesterday; // ListBox3
    QStringList m_page;      // ListBox4
    ArticleTable m_articles;
    int m_tickerSide = 0;
    int m_todayPos = 0;
    int m_yesterdayPos = 0;
    QString m_todayLink;
    QString m_yesterdayLink;
    int m_articleIndex = 0;
    std::array<QString, 3> m_articleLinks{};
    bool m_enabled = false;
    bool m_newsReady = false;
};
