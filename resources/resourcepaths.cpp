#include "resources/resourcepaths.h"

#include <QtGlobal>

// Resources in a static library are registered only when something refers
// to their initialiser, which Q_INIT_RESOURCE does (outside any namespace).
static void initBusyClip() {
    Q_INIT_RESOURCE(busy);
}

static void initGlyphs() {
    Q_INIT_RESOURCE(glyphs);
}

static void initHeaderArt() {
    Q_INIT_RESOURCE(header);
}

QString busyClipPrefix() {
    static const bool registered = (initBusyClip(), true);
    Q_UNUSED(registered);
    return QStringLiteral(":/busy");
}

QString glyphResourcePrefix() {
    static const bool registered = (initGlyphs(), true);
    Q_UNUSED(registered);
    return QStringLiteral(":/glyphs");
}

QString headerArtPrefix() {
    static const bool registered = (initHeaderArt(), true);
    Q_UNUSED(registered);
    return QStringLiteral(":/header");
}
