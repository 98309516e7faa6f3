#pragma once

#include <cstdint>

#include <QColor>

#include "databases/databaseinfo.h"

// One band setting: which field starts a new colour band and the two band
// colours, as 0x00BBGGRR colour values.
struct BandSettings {
    static constexpr std::uint32_t Blue = 0xFF0000;
    static constexpr std::uint32_t Red = 0x0000FF;

    int BandMode = 0;
    std::uint32_t FirstColor = Blue;
    std::uint32_t SecondColor = Red;

    QColor firstColor() const { return ToQColor(FirstColor); }
    QColor secondColor() const { return ToQColor(SecondColor); }

    // A 0x00BBGGRR colour value as a QColor.
    static QColor ToQColor(std::uint32_t bgr) {
        return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
    }
};

// The setting shared by the Batters, Pitchers and Teams views. Settings live
// for the whole run like the colour dialogs that set them: opening a view
// leaves them as they are, so every view paints what its dialog shows.
BandSettings& SharedBandSettings();
// The Fielders view's own setting.
BandSettings& FielderBandSettings();
// The setting a view of `kind` draws with.
BandSettings& BandSettingsFor(DatabaseKind kind);
