#include "mainwindow/databasecaption.h"

int databaseFromCaption(const QString& caption) {
    const QStringView word = QStringView(caption).mid(9, 6);
    if (word == u"Batter") {
        return 0;
    }
    if (word == u"Pitche") {
        return 1;
    }
    if (word == u"Fielde") {
        return 2;
    }
    if (word.left(4) == u"Team") {
        return 3;
    }
    return -1;
}
