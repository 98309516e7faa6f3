#pragma once

#include <array>
#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

// One headline scraped from the news site's baseball page.
struct NewsArticle {
    QString Title;
    QString Link; // a path beginning "/article.asp"
    QString Summary;
};

// The headlines of the baseball page; entry k holds article k + 1. Entries
// the page did not fill stay empty.
inline constexpr int MaxNewsArticles = 12;
using ArticleTable = std::array<NewsArticle, MaxNewsArticles>;

// What one ticker step found: the entry's link, the text shown on the line
// and its hint.
struct TickerEntry {
    QString link;
    QString caption;
    QString hint;
};

// The text of a news reply split at its line ends (CR LF, LF or CR); UTF-8
// when the bytes are valid UTF-8, else single-byte text. A final line end
// starts no further line.
QStringList SplitNewsLines(const QByteArray& body);

// Scrapes up to 12 articles from the lines of the baseball page: a line
// holding `<a href="/article.asp` starts an article whose link runs to the
// next `"`, whose title is the text between `<B>` and `</B>` on that line or
// the next, and whose summary is the text between `VERDANA">` and `</FONT>`
// on the first line from there that holds `VERDANA">`. Markers other than
// the link start match in any case; a missing end marker leaves the title
// or summary empty. The last line is never read as a link line and no scan
// goes past it; links after the twelfth are ignored.
ArticleTable ScrapeArticles(const QStringList& lines);

// Inserts summaries from the lines of the summary page into a ticker list:
// a list line (other than the last, never an empty one) found in a page line
// gets the summary of the next page line holding `VERDANA">` (that line
// joined with the one after it, cut between `VERDANA">` and `</FONT>`)
// inserted after it. Once a summary is inserted, the rest of the list is
// matched against that summary instead of the page line. A match with no
// summary line after it on the page inserts nothing and ends the pass.
void InsertSummaries(QStringList& list, const QStringList& page);

// One step of a ticker line from `position` (0-based) in `list`: the first
// marker line ("^^setURL", one separator character, the link, one closing
// character) at or after the position gives the link, the caption (the line
// after it) and the hint (the line after that). `position` moves past the
// entry and wraps to 0 when it reaches the list's last line. An empty list,
// or a marker line without its two lines, finds nothing: the caller leaves
// its line as it is. Never reads outside the list.
std::optional<TickerEntry> NextTickerEntry(const QStringList& list, int& position);

// The headline index after `index`: 1..12, then 1 again.
int NextArticleIndex(int index);
// The headline label (0 for Article1, 1 for Article2, 2 for Article3) that
// shows headline index 1..12.
int ArticleLabelFor(int index);

// The address a headline opens: the news site's root address followed by
// the headline's link, with one "/" between them however each is written.
QString ArticleAddress(const QString& siteRoot, const QString& link);
