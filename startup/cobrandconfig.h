#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

// One entry of a co-brand link menu. In a menu the first entry's caption is
// the menu's own caption; a caption "-" is a separator.
struct CoBrandMenuEntry {
    QString caption;
    QString address;
};

// One link on the header band, with its position as the block gives it (text)
// and as read by the lenient integer reader.
struct CoBrandToolbarEntry {
    QString caption;
    QString address;
    QString leftText;
    QString topText;
    int left = 0;
    int top = 0;
};

// The partner configuration read once at start-up from the block appended to
// the executable; it lives for the whole run.
struct CoBrandConfig {
    bool LogoEnabled = false;
    bool LinkMenu1Enabled = false;
    bool HeaderEnabled = false;
    bool TickerEnabled = false;
    bool SisterLogosEnabled = false;
    bool LinkMenu2Enabled = false;
    bool ProxyPromptEnabled = false;
    bool AdSettingsQueryEnabled = false;
    bool DemoMode = false;
    QString VersionText;
    QString WindowTitle;
    QString SiteId;
    QString DownloadLinkText;
    QString AdRequestTemplate;
    QString AdClickTemplate;
    quint8 ViewBanners = 0;
    quint8 HeaderHeight = 0;
    quint8 AdSlotsPerView = 0;
    QColor HeaderColor;
    quint8 LinkFontCharset = 0;
    QColor LinkFontColor;
    quint8 LinkFontPitch = 0;
    QFont LinkFont;
    QList<CoBrandMenuEntry> LinkMenu1;
    QList<CoBrandToolbarEntry> ToolbarLinks;
    QList<CoBrandMenuEntry> LinkMenu2;
};

// Outcome of reading a block: the configuration and the logo file's bytes, or
// the name of the field the block ended in when `shortBlock` is set.
struct CoBrandReadResult {
    CoBrandConfig config;
    QByteArray logo;
    bool shortBlock = false;
    QString field; // the field that could not be read in full
    qsizetype consumed = 0;
    bool ok() const { return !shortBlock; }
};

// Maps a colour value of the block (red, green, blue from the least
// significant byte up; the top byte is ignored) to a QColor.
QColor CoBrandColour(quint32 value);

// Reads the 34 fields front to back from `block`. Never reads past its end:
// a block that ends before the last field gives `shortBlock`. Bytes after the
// last field are ignored.
CoBrandReadResult ReadCoBrandConfig(QByteArrayView block);
