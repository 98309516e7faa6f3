#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

class QLabel;
class THttpCli;

// The four texts of the update notice, top to bottom as the user reads them:
// two headlines, the invitation and the download link.
struct NoticeTexts {
    QString headline1;
    QString headline2;
    QString invitation;
    QString link;

    bool operator==(const NoticeTexts&) const = default;
};

// The notice texts after the update-notice text `reply`: its lines 1 to 4
// replace the headlines, the invitation and the link in that order; a line
// 4 of exactly "<URL>" gives `downloadLinkText` as the link. Texts without
// a line in the reply keep their value.
NoticeTexts ApplyNoticeText(const NoticeTexts& current, const QByteArray& reply,
                            const QString& downloadLinkText);

// The software update notice: tells the user this copy is out of date and
// shows the download address in `Label3`. Showing it fetches the notice's
// current texts; choosing the link opens it (web addresses only) and closes
// the notice, after which the start-up sequence ends the program.
class TForm12 : public QDialog {
    Q_OBJECT
public:
    explicit TForm12(QWidget* parent = nullptr);

    // The co-brand download address: shown in `Label3` now, and the link
    // whenever the notice text says "<URL>".
    void SetDownloadLinkText(const QString& text);
    // The host ("host:port") of the notice text: the second statistics
    // mirror of the deployment unless set.
    void SetNoticeHost(const QString& host) { m_noticeHost = host; }
    // The notice's own client; it never goes through the proxy.
    THttpCli& HttpCli1() { return *m_httpCli1; }
    // The texts the four labels show.
    NoticeTexts Texts() const;

    // Sizes the labels to the window and fills them from the notice text
    // (path "/baseballout.txt"); a failed request keeps their texts.
    void FormActivate();
    // Opens the link when it is a web address, then closes the notice.
    void Label3Click();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOut();

    THttpCli* m_httpCli1 = nullptr;
    QString m_noticeHost;
    QString m_downloadLinkText;
    bool m_activating = false;
};
