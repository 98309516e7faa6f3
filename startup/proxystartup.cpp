#include "startup/proxystartup.h"

#include <QFileInfo>

#include "startup/tform14.h"

ProxyStartupResult LoadProxyAtStartup(TForm14& dialog, const QString& path) {
    ProxyStartupResult result;
    if (!QFileInfo::exists(path)) {
        dialog.exec();
        if (!dialog.LastSaveError().isEmpty()) {
            result.failure = StartupFailure::inputOutput(path, dialog.LastSaveError());
            result.alreadyReported = true;
            return result;
        }
    }
    const ProxyFileResult loaded = LoadProxySettings(path);
    if (!loaded.ok()) {
        result.failure = StartupFailure::inputOutput(path, loaded.error);
        return result;
    }
    result.settings = loaded.settings;
    dialog.ShowSettings(result.settings);
    return result;
}
