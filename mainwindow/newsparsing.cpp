#include "mainwindow/newsparsing.h"

#include <QStringDecoder>

namespace {

const QString LinkStart = QStringLiteral("<a href=\"/article.asp");
const QString LinkCut = QStringLiteral("<A HREF=\"/ARTICLE.ASP");
const QString LinkEnd = QStringLiteral("\"");
const QString TitleStart = QStringLiteral("<B>");
const QString TitleEnd = QStringLiteral("</B>");
const QString SummaryStart = QStringLiteral("VERDANA\">");
const QString SummaryEnd = QStringLiteral("</FONT>");
const QString TickerMarker = QStringLiteral("^^setURL");

// Deletes everything up to and including the first `marker` (any case);
// false, leaving `line` as it is, when there is none.
bool removeThrough(QString& line, const QString& marker) {
    const qsizetype at = line.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0) {
        return false;
    }
    line.remove(0, at + marker.size());
    return true;
}

// The text before the first `marker`; empty when the marker is missing.
QString textBefore(const QString& line, const QString& marker,
                   Qt::CaseSensitivity cs = Qt::CaseInsensitive) {
    const qsizetype at = line.indexOf(marker, 0, cs);
    return at < 0 ? QString() : line.left(at);
}

} // namespace

QStringList SplitNewsLines(const QByteArray& body) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(body);
    if (utf8.hasError()) {
        text = QString::fromLatin1(body);
    }
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r')) {
            ++end;
        }
        lines.append(text.mid(start, end - start));
        if (end < size && text[end] == QLatin1Char('\r') && end + 1 < size &&
            text[end + 1] == QLatin1Char('\n')) {
            ++end;
        }
        start = end + 1;
    }
    return lines;
}

ArticleTable ScrapeArticles(const QStringList& lines) {
    ArticleTable table;
    const qsizetype last = lines.size() - 1;
    int count = 0;
    for (qsizetype k = 0; k < last && count < MaxNewsArticles; ++k) {
        QString line = lines[k];
        if (!line.contains(LinkStart)) {
            continue;
        }
        NewsArticle& article = table[static_cast<std::size_t>(count++)];
        // The line from the link path on: `<A HREF="` is cut off.
        const qsizetype cut = line.indexOf(LinkCut, 0, Qt::CaseInsensitive);
        line.remove(0, (cut < 0 ? 0 : cut) + 9);
        article.Link = textBefore(line, LinkEnd, Qt::CaseSensitive);
        if (removeThrough(line, TitleStart)) {
            article.Title = textBefore(line, TitleEnd);
        } else {
            // k < last, so the next line is still on the page.
            line = lines[++k];
            if (removeThrough(line, TitleStart)) {
                article.Title = textBefore(line, TitleEnd);
            }
        }
        // The summary comes from the first line from here on that holds its
        // start marker; at the last line without one it stays empty.
        bool found = removeThrough(line, SummaryStart);
        while (!found && k < last) {
            line = lines[++k];
            found = removeThrough(line, SummaryStart);
        }
        if (found) {
            article.Summary = textBefore(line, SummaryEnd);
        }
    }
    return table;
}

void InsertSummaries(QStringList& list, const QStringList& page) {
    const qsizetype lastPage = page.size() - 1;
    for (qsizetype j = 0; j < lastPage; ++j) {
        QString current = page[j];
        // The list grows while it is read, so its size is taken anew each time.
        for (qsizetype d = 0; d < list.size() - 1; ++d) {
            const QString entry = list[d];
            if (entry.isEmpty() || !current.contains(entry)) {
                continue;
            }
            qsizetype s = j + 1;
            while (s <= lastPage && !page[s].contains(SummaryStart, Qt::CaseInsensitive)) {
                ++s;
            }
            if (s > lastPage) {
                return; // no summary follows on the page
            }
            j = s;
            QString joined = page[s] + (s < lastPage ? page[s + 1] : QString());
            removeThrough(joined, SummaryStart);
            const QString summary = textBefore(joined, SummaryEnd);
            list.insert(d + 1, summary);
            ++d;
            current = summary;
        }
    }
}

std::optional<TickerEntry> NextTickerEntry(const QStringList& list, int& position) {
    const qsizetype count = list.size();
    if (position < 0 || position >= count) {
        position = 0;
    }
    std::optional<TickerEntry> found;
    while (!found && position < count) {
        const QString& line = list[position];
        if (line.startsWith(TickerMarker)) {
            if (position + 2 >= count) {
                // A marker without its two lines: nothing to show.
                position = static_cast<int>(count);
                break;
            }
            const QString rest = line.mid(TickerMarker.size() + 1);
            TickerEntry entry;
            entry.link = rest.left(rest.size() - 1);
            entry.caption = list[position + 1];
            entry.hint = list[position + 2];
            position += 2;
            found = entry;
        }
        ++position;
    }
    if (position >= count - 1) {
        position = 0;
    }
    return found;
}

int NextArticleIndex(int index) {
    return index >= MaxNewsArticles || index < 0 ? 1 : index + 1;
}

int ArticleLabelFor(int index) {
    return (index - 1) % 3;
}

QString ArticleAddress(const QString& siteRoot, const QString& link) {
    const bool rootSlash = siteRoot.endsWith(QLatin1Char('/'));
    const bool linkSlash = link.startsWith(QLatin1Char('/'));
    if (rootSlash && linkSlash) {
        return siteRoot + link.mid(1);
    }
    if (!rootSlash && !linkSlash) {
        return siteRoot + QLatin1Char('/') + link;
    }
    return siteRoot + link;
}
