#include "mainwindow/headerband.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

#include "databases/parseintlenient.h"
#include "deployment.h"
#include "mainwindow/clicklabel.h"
#include "protocol/usageevent.h"
#include "resources/resourcepaths.h"

namespace {

// Sister logos Image2..Image6 at their design places.
constexpr int SisterLefts[] = {690, 138, 274, 410, 546};
constexpr const char* SisterNames[] = {"football", "basketball", "hockey", "soccer", "golf"};

QPixmap headerPicture(const QString& name) {
    return QPixmap(headerArtPrefix() + QLatin1Char('/') + name);
}

int positionOf(const QString& text) {
    return ParseIntLenient(text.toLatin1().toStdString());
}

} // namespace

HeaderBand::HeaderBand(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CoolBar1"));
    setAutoFillBackground(true);
    setMouseTracking(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::yellow);
    setPalette(palette);
    setFixedHeight(DesignHeight);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->move(0, 0);
    Image1->setAttribute(Qt::WA_NoMousePropagation);

    for (int i = 0; i < 5; ++i) {
        auto* image = new ClickLabel(this);
        image->setObjectName(QStringLiteral("Image%1").arg(i + 2));
        image->setPixmap(headerPicture(QStringLiteral("sister%1.png").arg(i + 1)));
        image->adjustSize();
        image->move(SisterLefts[i], 0);
        image->setCursor(Qt::PointingHandCursor);
        image->setToolTip(SisterSite(i));
        connect(image, &ClickLabel::clicked, this, [this, i] { SisterClick(i); });
        SisterImages[static_cast<std::size_t>(i)] = image;
    }
    for (int k = 0; k < 4; ++k) {
        auto* alt = new QLabel(this);
        alt->setObjectName(QStringLiteral("ImageAlt%1").arg(k + 1));
        alt->setPixmap(headerPicture(QStringLiteral("partner%1.png").arg(k + 1)));
        alt->hide();
        ImageAlt[static_cast<std::size_t>(k)] = alt;
    }
    // The links come last so that they lie above the pictures.
    for (int k = 0; k < LinkCount; ++k) {
        auto* link = new ClickLabel(this);
        link->setObjectName(QStringLiteral("Dyn%1").arg(k + 1));
        link->setText(QStringLiteral(" "));
        link->setCursor(Qt::PointingHandCursor);
        link->hide();
        connect(link, &ClickLabel::clicked, this, [this, k] { DynClick(k); });
        Dyn[static_cast<std::size_t>(k)] = link;
    }
}

QString HeaderBand::SisterSite(int i) {
    return QStringLiteral("http://%1/?site=%2")
        .arg(QString::fromLatin1(deployment::NewsHost), QString::fromLatin1(SisterNames[i]));
}

void HeaderBand::ApplyColourAndHeight(const CoBrandConfig& config) {
    if (!config.HeaderEnabled) {
        hide();
        return;
    }
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, config.HeaderColor);
    setPalette(palette);
    setFixedHeight(config.HeaderHeight);
    show();
}

void HeaderBand::LoadLogo(const QString& file) {
    Image1->setPixmap(QPixmap(file));
    Image1->adjustSize();
    Image1->show();
}

void HeaderBand::HideLogo() {
    Image1->hide();
}

void HeaderBand::ShowPartnerLogo(int k) {
    if (k < 1 || k > 4) {
        return;
    }
    Image1->setPixmap(ImageAlt[static_cast<std::size_t>(k - 1)]->pixmap());
    Image1->adjustSize();
    Image1->show();
}

void HeaderBand::ShowSisterLogos(bool shown) {
    for (ClickLabel* image : SisterImages) {
        image->setVisible(shown);
    }
}

void HeaderBand::PlaceToolbarLinks(const CoBrandConfig& config, const QString& siteValue) {
    m_siteValue = siteValue;
    const int count = std::min<int>(static_cast<int>(config.ToolbarLinks.size()), LinkCount);
    m_linkUrls.resize(LinkCount);
    for (int k = 0; k < count; ++k) {
        const CoBrandToolbarEntry& entry = config.ToolbarLinks[k];
        ClickLabel* link = Dyn[static_cast<std::size_t>(k)];
        m_linkUrls[k] = entry.address;
        link->setText(entry.caption);
        link->setFont(config.LinkFont);
        QPalette palette = link->palette();
        palette.setColor(QPalette::WindowText, config.LinkFontColor);
        link->setPalette(palette);
        link->adjustSize();
        link->move(positionOf(entry.leftText), positionOf(entry.topText));
        link->setToolTip(entry.address);
        link->show();
        link->raise();
    }
}

void HeaderBand::HideToolbarLinks() {
    for (ClickLabel* link : Dyn) {
        link->hide();
    }
}

void HeaderBand::DynClick(int k) {
    if (k < 0 || k >= m_linkUrls.size()) {
        return;
    }
    const QString url = m_linkUrls[k];
    m_open(url);
    emit usageEvent(UsageEventText(UsageEventType::ToolClick, url, m_siteValue));
}

void HeaderBand::SisterClick(int i) {
    if (i >= 0 && i < 5) {
        m_open(SisterSite(i));
    }
}

void HeaderBand::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    if (childAt(event->position().toPoint()) == nullptr) {
        emit bareBandHovered();
    }
}
