#pragma once

#include <QString>

#include "startup/cobrandconfig.h"

// The demonstration rotation's samples: step 0 is the generic sample that
// invites a partner to place its own links, steps 1 to 4 are sample partner
// sites with their own logo, colours, font and links.
inline constexpr int DemoStepCount = 5;

// The step shown after `step`: 1, 2, 3, 4, 0, 1, ... (any value outside
// 0..3 leads to 0).
int NextDemoStep(int step);

// Overwrites the header part of config with the sample of step 0..4: title,
// header colour, height 60, header and first link menu on, second link menu
// off and empty, the first link menu, the toolbar links and the link font.
// Other fields (the site identity, the switches of the ticker, the logo and
// the sister logos) are kept. The partner samples link to pages under
// siteRoot (an address ending in "/").
void ApplyDemoSample(int step, CoBrandConfig& config, const QString& siteRoot);
