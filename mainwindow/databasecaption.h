#pragma once

#include <QString>

// Which database a child window caption names: characters 10 to 15
// (1-based) "Batter" gives 0, "Pitche" 1, "Fielde" 2, otherwise characters
// 10 to 13 "Team" gives 3. Any other caption, short ones included, gives -1.
int databaseFromCaption(const QString& caption);
