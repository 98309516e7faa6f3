#include "query/bandsettings.h"

BandSettings& SharedBandSettings() {
    static BandSettings settings;
    return settings;
}

BandSettings& FielderBandSettings() {
    static BandSettings settings;
    return settings;
}

BandSettings& BandSettingsFor(DatabaseKind kind) {
    return kind == DatabaseKind::Fielders ? FielderBandSettings() : SharedBandSettings();
}

void ResetBandSettingsForNewView(DatabaseKind kind) {
    BandSettings& settings = BandSettingsFor(kind);
    settings.FirstColor = BandSettings::Blue;
    settings.SecondColor = BandSettings::Red;
    if (kind != DatabaseKind::Pitchers) {
        settings.BandMode = 0;
    }
}
