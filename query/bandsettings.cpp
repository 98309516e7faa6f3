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
