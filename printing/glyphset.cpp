#include "printing/glyphset.h"

#include "printing/glyphnames.h"
#include "resources/resourcepaths.h"

GlyphSet::GlyphSet() {
    const QString prefix = glyphResourcePrefix();
    const QList<QRgb> blackWhite{qRgb(0, 0, 0), qRgb(255, 255, 255)};
    for (const char c : GlyphCharacters) {
        const QString name = QString::fromStdString(GlyphResourceName(c));
        QImage image(prefix + QLatin1Char('/') + name, "PNG");
        if (image.width() != Width || image.height() != Height) {
            if (m_error.isEmpty()) {
                m_error =
                    QStringLiteral("The print glyph %1 is missing from the program.").arg(name);
            }
            continue;
        }
        if (image.format() != QImage::Format_Mono || image.colorTable() != blackWhite) {
            image = image.convertToFormat(QImage::Format_Mono, blackWhite, Qt::ThresholdDither);
        }
        m_glyphs[static_cast<std::size_t>(c)] = image;
    }
}

const QImage* GlyphSet::glyph(QChar c) const {
    const char16_t code = c.unicode();
    if (code >= m_glyphs.size() || m_glyphs[code].isNull()) {
        return nullptr;
    }
    return &m_glyphs[code];
}
