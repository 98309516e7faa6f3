#pragma once

#include <array>
#include <memory>

#include <QObject>
#include <QPointer>
#include <QString>

#include "mainwindow/adrotation.h"
#include "mainwindow/linkopener.h"
#include "protocol/httpcli.h"

class QFile;
class QTimer;
class StatisticsView;

// The banner rotation of the main window: every 15 seconds one banner is
// requested for the next slot of an opened database, written to "temp.gif"
// and loaded, as a GIF only, into that slot's image; a click on a banner
// opens its click-through address and reports the click. Only one banner
// request is in flight at a time. Failed requests are not reported: the
// slot keeps its picture and the next tick tries the next slot.
class BannerRotation : public QObject {
    Q_OBJECT
public:
    // Rotation period of Timer3, in milliseconds.
    static constexpr int PeriodMs = 15000;

    // Starts from the co-brand banner settings with Timer3 running. `opened`
    // (batters, pitchers, fielders, teams) and `siteValue` belong to the
    // main window and must outlive the rotation; they are read when used.
    // "temp.gif" goes into `folder` (the working folder when empty).
    BannerRotation(const AdSettings& settings, const std::array<int, 4>& opened,
                   const QString& siteValue, QString folder = QString(), QObject* parent = nullptr);
    ~BannerRotation() override;

    const AdSettings& Settings() const { return m_settings; }
    // The slot served last (0 before the first), whether a banner request
    // is in flight, and the number put into slot 1..8's last request.
    int AdSlot() const { return m_adSlot; }
    bool AdPending() const { return m_adPending; }
    qint64 AdNumber(int slot) const;
    QTimer* Timer3 = nullptr;
    THttpCli* HttpCliAd = nullptr;

    // The ad-settings query: GETs "/verman.asp" from `mirror2` with `client`
    // (which stays on that address) and applies the site's row
    // (ApplyAdSettingsReply). A failed request changes nothing.
    void RunAdSettingsQuery(THttpCli& client, const QString& mirror2, const QString& siteId);
    // Switches the rotation off when there are no banners (0 slots per view).
    void StartRotation();
    // Takes a new database window's banner images: both hidden with 0 slots
    // per view, the right one hidden with 1; clicks reach ImageClick.
    void AttachView(StatisticsView* view);

    // One rotation step; does nothing while a request is in flight or before
    // a database was opened.
    void Timer3Timer();
    // Completion of a banner request (acted on when the client turns ready).
    void HttpCliAdStateChange(THttpCli::State state);
    // A click on the banner of slot 1..8: opens the click-through address
    // with the slot's number (web addresses only), then reports "CLICK".
    void ImageClick(int slot);
    // How click-through addresses reach the browser (OpenWithDesktop unless
    // set: without a browser the user is told the address).
    void setLinkOpener(LinkOpener opener) { m_open = std::move(opener); }

signals:
    // A usage event text to send.
    void usageEvent(const QString& text);

private:
    void completeRequest();
    QString tempGifPath() const;

    AdSettings m_settings;
    const std::array<int, 4>& m_opened;
    const QString& m_siteValue;
    QString m_folder;
    LinkOpener m_open = OpenWithDesktop;
    std::array<QPointer<StatisticsView>, 4> m_views;
    std::array<qint64, AdSlotCount> m_adNumber{};
    std::unique_ptr<QFile> m_adFile;
    int m_adSlot = 0;
    bool m_adPending = false;
};
