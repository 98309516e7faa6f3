#pragma once

#include <QList>
#include <QString>

// One hidden grid column: its number, its width just before it was hidden
// and its description cut to 30 characters.
struct HiddenColumn {
    int column = 0;
    int width = 0;
    QString title;
};

// The columns hidden in one view, in the order they were hidden.
struct HiddenColumns {
    QList<HiddenColumn> entries;
};
