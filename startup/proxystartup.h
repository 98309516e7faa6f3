#pragma once

#include <QString>

#include "startup/proxysettings.h"
#include "startup/startupfailure.h"

class TForm14;

// Outcome of loading the proxy settings at start-up.
struct ProxyStartupResult {
    ProxySettings settings;
    StartupFailure failure;
    bool alreadyReported = false; // the dialog has shown the failure itself
};

// Loads the proxy settings from `path`, first showing `dialog` modally when
// the file does not exist (closing it writes the file), then puts the values
// back into the dialog. A file that cannot be written or read is an
// input/output failure.
ProxyStartupResult LoadProxyAtStartup(TForm14& dialog, const QString& path);
