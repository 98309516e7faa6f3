#include "platform/dialogfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// One folder for every dialog: a user who exports a CSV file and then a
// chart finds both dialogs in the same place.
QString& LastFolder() {
    static QString folder;
    return folder;
}

} // namespace

QString PickDialogFolder(const QString& last, const QString& documents, const QString& home) {
    for (const QString& folder : {last, documents, home}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return QDir::cleanPath(folder);
    }
    return QDir::homePath();
}

QString DialogStartFolder() {
    return PickDialogFolder(LastFolder(),
                            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                            QDir::homePath());
}

void RememberDialogFolder(const QString& chosenPath) {
    if (chosenPath.isEmpty())
        return;
    LastFolder() = QFileInfo(chosenPath).absolutePath();
}
