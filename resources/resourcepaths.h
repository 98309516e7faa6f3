#pragma once

#include <QString>

// Resource prefix of the busy animation clip (frames frame00.png, ...);
// makes sure the clip compiled into the program is registered first.
QString busyClipPrefix();
