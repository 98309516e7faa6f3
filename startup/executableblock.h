#pragma once

#include <QString>

#include "startup/cobrandconfig.h"
#include "startup/startupfailure.h"

// Outcome of turning the executable into its configuration.
struct ExecutableBlockResult {
    StartupFailure failure;
    CoBrandConfig config;
    qint64 executableSize = 0;
};

// Runs the file steps of start-up in `workDir` (empty: the current folder):
// copies `executablePath` to "temp.exe", takes its size and deletes it,
// copies the bytes from `blockOffset` to the end into "temp.txt", reads the
// configuration from it writing the logo to "logo.bmp", and deletes
// "temp.txt". On failure the temporary files are removed again and the
// failure says which file and step failed; an executable that ends before
// the offset, or a block shorter than its fields, is an input/output error.
ExecutableBlockResult LoadCoBrandFromExecutable(const QString& executablePath, qint64 blockOffset,
                                                const QString& workDir = QString());
