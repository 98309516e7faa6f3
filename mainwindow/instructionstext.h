#pragma once

#include <QString>

// The text of the instructions window: co-branding offer, memory note,
// quick tutorial, hints and printing, one paragraph per line.
QString instructionsText();
