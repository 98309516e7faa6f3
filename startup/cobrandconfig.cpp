#include "startup/cobrandconfig.h"

#include "databases/parseintlenient.h"

namespace {

// Reads bytes front to back; once a read would pass the end it remembers the
// field and every later read fails too.
class BlockCursor {
public:
    explicit BlockCursor(QByteArrayView bytes) : m_bytes(bytes) {}

    bool failed() const { return !m_failedField.isEmpty(); }
    const QString& failedField() const { return m_failedField; }
    qsizetype position() const { return m_pos; }

    quint8 byte(const char* field) {
        if (!need(1, field)) {
            return 0;
        }
        return static_cast<quint8>(m_bytes[m_pos++]);
    }

    bool flag(const char* field) { return byte(field) == 1; }

    quint32 bigEndian(int width, const char* field) {
        if (!need(width, field)) {
            return 0;
        }
        quint32 v = 0;
        for (int i = 0; i < width; ++i) {
            v = (v << 8) | static_cast<quint8>(m_bytes[m_pos++]);
        }
        return v;
    }

    QByteArray bytes(qsizetype n, const char* field) {
        if (!need(n, field)) {
            return {};
        }
        QByteArray out(m_bytes.data() + m_pos, n);
        m_pos += n;
        return out;
    }

    // A length byte followed by that many single-byte characters.
    QString string(const char* field) {
        const quint8 n = byte(field);
        return QString::fromLatin1(bytes(n, field));
    }

private:
    bool need(qsizetype n, const char* field) {
        if (failed()) {
            return false;
        }
        if (m_bytes.size() - m_pos < n) {
            m_failedField = QString::fromLatin1(field);
            return false;
        }
        return true;
    }

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    QString m_failedField;
};

QList<CoBrandMenuEntry> readMenu(BlockCursor& in, const char* field) {
    QList<CoBrandMenuEntry> entries;
    const quint8 count = in.byte(field);
    for (int i = 0; i < count && !in.failed(); ++i) {
        CoBrandMenuEntry e;
        e.caption = in.string(field);
        e.address = in.string(field);
        entries.append(e);
    }
    return entries;
}

QList<CoBrandToolbarEntry> readToolbar(BlockCursor& in) {
    const char* field = "ToolbarLinks";
    QList<CoBrandToolbarEntry> entries;
    const quint8 count = in.byte(field);
    for (int i = 0; i < count && !in.failed(); ++i) {
        CoBrandToolbarEntry e;
        e.caption = in.string(field);
        e.address = in.string(field);
        e.leftText = in.string(field);
        e.topText = in.string(field);
        e.left = ParseIntLenient(e.leftText.toLatin1().toStdString());
        e.top = ParseIntLenient(e.topText.toLatin1().toStdString());
        entries.append(e);
    }
    return entries;
}

void applyPitch(QFont& font, quint8 pitch) {
    if (pitch == 2) {
        font.setFixedPitch(true);
        font.setStyleHint(QFont::TypeWriter);
    } else if (pitch == 3) {
        font.setFixedPitch(false);
    }
}

} // namespace

QColor CoBrandColour(quint32 value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

CoBrandReadResult ReadCoBrandConfig(QByteArrayView block) {
    CoBrandReadResult result;
    CoBrandConfig& c = result.config;
    BlockCursor in(block);
    c.LogoEnabled = in.flag("LogoEnabled");
    c.LinkMenu1Enabled = in.flag("LinkMenu1Enabled");
    c.HeaderEnabled = in.flag("HeaderEnabled");
    c.TickerEnabled = in.flag("TickerEnabled");
    c.SisterLogosEnabled = in.flag("SisterLogosEnabled");
    c.LinkMenu2Enabled = in.flag("LinkMenu2Enabled");
    c.ProxyPromptEnabled = in.flag("ProxyPromptEnabled");
    c.AdSettingsQueryEnabled = in.flag("AdSettingsQueryEnabled");
    c.DemoMode = in.flag("DemoMode");
    c.VersionText = in.string("VersionText");
    c.WindowTitle = in.string("WindowTitle");
    c.SiteId = in.string("SiteId");
    c.DownloadLinkText = in.string("DownloadLinkText");
    c.AdRequestTemplate = in.string("AdRequestTemplate");
    c.AdClickTemplate = in.string("AdClickTemplate");
    c.ViewBanners = in.byte("ViewBanners");
    c.HeaderHeight = in.byte("HeaderHeight");
    c.AdSlotsPerView = in.byte("AdSlotsPerView");
    c.HeaderColor = CoBrandColour(in.bigEndian(4, "HeaderColor"));
    const quint32 logoLength = in.bigEndian(3, "LogoLength");
    result.logo = in.bytes(logoLength, "Logo");

    c.LinkFontCharset = in.byte("LinkFont charset");
    c.LinkFontColor = CoBrandColour(in.bigEndian(4, "LinkFont colour"));
    const quint8 size = in.byte("LinkFont size");
    const QString name = in.string("LinkFont name");
    c.LinkFontPitch = in.byte("LinkFont pitch");
    in.byte("LinkFont reserved");
    const bool bold = in.flag("LinkFont bold");
    const bool italic = in.flag("LinkFont italic");
    const bool underline = in.flag("LinkFont underline");
    const bool strikeOut = in.flag("LinkFont strike-out");
    if (!name.isEmpty()) {
        c.LinkFont.setFamily(name);
    }
    if (size > 0) {
        c.LinkFont.setPointSize(size);
    }
    applyPitch(c.LinkFont, c.LinkFontPitch);
    c.LinkFont.setBold(bold);
    c.LinkFont.setItalic(italic);
    c.LinkFont.setUnderline(underline);
    c.LinkFont.setStrikeOut(strikeOut);

    c.LinkMenu1 = readMenu(in, "LinkMenu1");
    c.ToolbarLinks = readToolbar(in);
    c.LinkMenu2 = readMenu(in, "LinkMenu2");

    result.consumed = in.position();
    if (in.failed()) {
        result.shortBlock = true;
        result.field = in.failedField();
        result.logo.clear();
    }
    return result;
}
