#include "startup/tform12.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include "platform/webaddress.h"
#include "protocol/httpcli.h"
#include "protocol/pagefetcher.h"
#include "protocol/pagerequest.h"

NoticeTexts ApplyNoticeText(const NoticeTexts& current, const QByteArray& reply,
                            const QString& downloadLinkText) {
    const std::vector<std::string_view> lines = SplitReplyLines(
        std::string_view(reply.constData(), static_cast<std::size_t>(reply.size())));
    const auto line = [&lines](std::size_t index) {
        return QString::fromLatin1(lines[index].data(),
                                   static_cast<qsizetype>(lines[index].size()));
    };
    NoticeTexts texts = current;
    QString* targets[] = {&texts.headline1, &texts.headline2, &texts.invitation, &texts.link};
    for (std::size_t i = 0; i < 4 && i < lines.size(); ++i) {
        *targets[i] = line(i);
    }
    if (lines.size() >= 4 && texts.link == QLatin1String("<URL>")) {
        texts.link = downloadLinkText;
    }
    return texts;
}

TForm12::TForm12(QWidget* parent)
    : QDialog(parent), m_httpCli1(new THttpCli(this)),
      m_noticeHost(ServiceHosts::Deployment().Mirror2) {
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("Baseball Database for the Internet software update"));
    resize(714, 197);
    auto makeLabel = [this](const QString& text) {
        auto* label = new QLabel(text, this);
        QFont font = label->font();
        font.setPointSize(14);
        font.setBold(true);
        label->setFont(font);
        label->setAlignment(Qt::AlignHCenter);
        label->setWordWrap(true);
        return label;
    };
    Label1 = makeLabel(QStringLiteral("Your version of the Baseball Database for the Internet"));
    Label2 =
        makeLabel(QStringLiteral("executable file is out of date - new features have been added."));
    Label4 = makeLabel(QStringLiteral(
        "Please visit our website at the link below to download the latest version."));
    Label3 = makeLabel(QString());
    Label3->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    Label3->setCursor(Qt::PointingHandCursor);
    // The link takes the keyboard focus: Enter or Space chooses it.
    Label3->setFocusPolicy(Qt::StrongFocus);
    Label3->installEventFilter(this);
    layOut();
}

void TForm12::layOut() {
    // Top to bottom, each label as wide as the window less 11 pixels; a text
    // too long for one line wraps and the window grows to hold it.
    const int width = std::max(this->width() - 11, 0);
    int top = 12;
    for (QLabel* label : {Label1, Label2, Label4, Label3}) {
        const int height = std::max(label->heightForWidth(width), label->fontMetrics().height());
        label->setGeometry(0, top, width, height);
        top += height + (label == Label2 ? 20 : 8);
    }
    if (top + 4 > height()) {
        resize(this->width(), top + 4);
    }
}

void TForm12::SetDownloadLinkText(const QString& text) {
    m_downloadLinkText = text;
    Label3->setText(text);
}

NoticeTexts TForm12::Texts() const {
    return {Label1->text(), Label2->text(), Label4->text(), Label3->text()};
}

void TForm12::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Shown before the main window: in the middle of the screen.
    if ((parentWidget() == nullptr || !parentWidget()->isVisible()) && screen() != nullptr) {
        move(screen()->availableGeometry().center() - rect().center());
    }
    // Filled once the window is on screen, so the user sees it at once.
    QTimer::singleShot(0, this, &TForm12::FormActivate);
}

void TForm12::FormActivate() {
    if (m_activating) {
        return;
    }
    m_activating = true;
    layOut();
    QPointer<TForm12> guard(this);
    const std::optional<QByteArray> reply =
        FetchBody(*m_httpCli1, m_noticeHost + QStringLiteral("/baseballout.txt"));
    if (!guard) {
        return;
    }
    m_activating = false;
    if (!reply) {
        return;
    }
    const NoticeTexts texts = ApplyNoticeText(Texts(), *reply, m_downloadLinkText);
    Label1->setText(texts.headline1);
    Label2->setText(texts.headline2);
    Label4->setText(texts.invitation);
    Label3->setText(texts.link);
    layOut();
}

void TForm12::Label3Click() {
    // The link may come from the network: only a web address is opened.
    OpenWebAddress(Label3->text());
    accept();
}

bool TForm12::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label3) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            Label3Click();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
                Label3Click();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
