#include "mainwindow/bannerrotation.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>

#include "platform/bannerimage.h"
#include "platform/webaddress.h"
#include "protocol/usageevent.h"
#include "views/statisticsview.h"

namespace {

// The picture in the file when it is a GIF image; a null image otherwise.
// The format is named, so a picture of another kind is refused.
QImage readGif(const QString& path) {
    QImageReader reader(path, "gif");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

} // namespace

BannerRotation::BannerRotation(const AdSettings& settings, const std::array<int, 4>& opened,
                               const QString& siteValue, QString folder, QObject* parent)
    : QObject(parent), Timer3(new QTimer(this)), HttpCliAd(new THttpCli(this)),
      m_settings(settings), m_opened(opened), m_siteValue(siteValue), m_folder(std::move(folder)) {
    Timer3->setObjectName(QStringLiteral("Timer3"));
    HttpCliAd->setObjectName(QStringLiteral("HttpCliAd"));
    connect(Timer3, &QTimer::timeout, this, &BannerRotation::Timer3Timer);
    connect(HttpCliAd, &THttpCli::OnStateChange, this, &BannerRotation::HttpCliAdStateChange);
    Timer3->start(PeriodMs);
}

BannerRotation::~BannerRotation() = default;

qint64 BannerRotation::AdNumber(int slot) const {
    return slot >= 1 && slot <= AdSlotCount ? m_adNumber[static_cast<std::size_t>(slot - 1)] : 0;
}

QString BannerRotation::tempGifPath() const {
    const QString name = QStringLiteral("temp.gif");
    return m_folder.isEmpty() ? name : QDir(m_folder).filePath(name);
}

void BannerRotation::RunAdSettingsQuery(THttpCli& client, const QString& mirror2,
                                        const QString& siteId) {
    if (const auto reply = FetchBody(client, mirror2 + QStringLiteral("/verman.asp"))) {
        m_settings = ApplyAdSettingsReply(m_settings, *reply, siteId);
    }
}

void BannerRotation::StartRotation() {
    if (m_settings.slotsPerView == 0) {
        Timer3->stop();
    }
}

void BannerRotation::AttachView(StatisticsView* view) {
    const DatabaseKind kind = view->databaseKind();
    m_views[DatabaseIndex(kind)] = view;
    const int perView = m_settings.slotsPerView;
    view->Image1->setVisible(perView != 0);
    view->Image2->setVisible(perView != 0 && perView != 1);
    const int left = static_cast<int>(DatabaseIndex(kind)) * 2 + 1;
    connect(view->Image1, &BannerImage::clicked, this, [this, left] { ImageClick(left); });
    connect(view->Image2, &BannerImage::clicked, this, [this, left] { ImageClick(left + 1); });
}

void BannerRotation::Timer3Timer() {
    if (HttpCliAd->state() != THttpCli::State::Ready || m_adPending) {
        return;
    }
    const int slot = NextAdSlot(m_adSlot, m_opened);
    if (slot == 0) {
        return;
    }
    m_adPending = true;
    m_adSlot = slot;
    if (HasAdPlaceholder(m_settings.requestTemplate)) {
        m_adNumber[static_cast<std::size_t>(slot - 1)] =
            QRandomGenerator::global()->bounded(10000000);
    }
    const QString url = SubstituteAdPlaceholder(m_settings.requestTemplate, AdNumber(slot));

    m_adFile = std::make_unique<QFile>(tempGifPath());
    if (!m_adFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        // No file to receive the banner: this tick serves nothing.
        m_adFile.reset();
        m_adPending = false;
        return;
    }
    HttpCliAd->setURL(url);
    HttpCliAd->setSendStream(nullptr);
    HttpCliAd->setRcvdStream(m_adFile.get());
    QPointer<BannerRotation> guard(this);
    try {
        HttpCliAd->Get();
    } catch (const EHttpException&) {
        // A failed banner is not reported; the completion has run already.
    }
    if (guard && m_adPending) {
        completeRequest();
    }
}

void BannerRotation::HttpCliAdStateChange(THttpCli::State state) {
    if (state == THttpCli::State::Ready && m_adPending) {
        completeRequest();
    }
}

void BannerRotation::completeRequest() {
    HttpCliAd->setRcvdStream(nullptr);
    if (m_adFile) {
        m_adFile->close();
        m_adFile.reset();
    }
    m_adPending = false;
    const int slot = m_adSlot;
    StatisticsView* view = m_views[DatabaseIndex(AdSlotDatabase(slot))];
    if (view == nullptr) {
        return; // the window was closed meanwhile
    }
    // Anything that is not a GIF picture leaves the slot's picture as it was.
    const QImage picture = readGif(tempGifPath());
    BannerImage* image = AdSlotImage(slot) == 0 ? view->Image1 : view->Image2;
    image->setPicture(picture);
}

void BannerRotation::ImageClick(int slot) {
    // The address may come from the network: only a web address is opened.
    const QString address = SubstituteAdPlaceholder(m_settings.clickTemplate, AdNumber(slot));
    if (IsWebAddress(address))
        m_open(address.trimmed());
    emit usageEvent(UsageEventText(UsageEventType::Click, UsageDatabaseWord(AdSlotDatabase(slot)),
                                   m_siteValue, 0));
}
