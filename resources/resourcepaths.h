#pragma once

#include <QString>

// Resource prefix of the busy animation clip (frames frame00.png, ...);
// makes sure the clip compiled into the program is registered first.
QString busyClipPrefix();

// Resource prefix of the print glyphs (":/glyphs/R-UA" and so on, made by
// tools/glyphgen); makes sure they are registered first.
QString glyphResourcePrefix();

// Resource prefix of the header band's pictures (sister1.png..sister5.png,
// partner1.png..partner4.png); makes sure they are registered first.
QString headerArtPrefix();
