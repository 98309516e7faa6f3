#pragma once

#include <array>

#include <QList>
#include <QString>
#include <QWidget>

#include "mainwindow/linkopener.h"
#include "startup/cobrandconfig.h"

class ClickLabel;
class QLabel;

// The header band at the top of the main window (`CoolBar1`): the partner's
// colour and height, its logo (`Image1`), up to 50 toolbar links
// (`Dyn1`..`Dyn50`) and the five sister-site logos (`Image2`..`Image6`). The
// ticker's labels sit on it too. A toolbar link opens its address and then
// emits its usage event; a sister logo opens its site and sends nothing.
class HeaderBand : public QWidget {
    Q_OBJECT
public:
    static constexpr int LinkCount = 50;
    static constexpr int DesignHeight = 66;

    explicit HeaderBand(QWidget* parent = nullptr);

    // Header on: the band takes HeaderColor and HeaderHeight and is shown;
    // off: the band, and everything on it, is hidden.
    void ApplyColourAndHeight(const CoBrandConfig& config);
    // Loads a picture file (such as "logo.bmp") into Image1 at its own size
    // and shows it; a file that does not load leaves Image1 empty.
    void LoadLogo(const QString& file);
    void HideLogo();
    // Shows the picture of ImageAlt1..ImageAlt4 (k = 1..4) in Image1.
    void ShowPartnerLogo(int k);
    void ShowSisterLogos(bool shown);
    // Dyn1..DynN for the first min(count, 50) toolbar links: caption,
    // position read from the position texts (up to a "." as a whole
    // number), the link font and colour. The site value goes into their
    // usage events. Labels past the count are left as they are.
    void PlaceToolbarLinks(const CoBrandConfig& config, const QString& siteValue);
    // Hides Dyn1..Dyn50.
    void HideToolbarLinks();

    void setLinkOpener(LinkOpener opener) { m_open = std::move(opener); }

    // Toolbar link k (0-based, Dyn(k+1)): opens its address, then emits the
    // "TOOLCLICK" event.
    void DynClick(int k);
    // Sister logo 0..4 (Image2..Image6): opens its site's home page.
    void SisterClick(int i);
    // The home page behind sister logo 0..4.
    static QString SisterSite(int i);

    QLabel* Image1 = nullptr;
    std::array<ClickLabel*, LinkCount> Dyn{};
    // Image2..Image6, in that order.
    std::array<ClickLabel*, 5> SisterImages{};
    std::array<QLabel*, 4> ImageAlt{};

signals:
    // The usage event text of a toolbar link click.
    void usageEvent(const QString& text);
    // The pointer moved over the band where no control lies.
    void bareBandHovered();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    LinkOpener m_open = OpenWithDesktop;
    QStringList m_linkUrls;
    QString m_siteValue;
};
