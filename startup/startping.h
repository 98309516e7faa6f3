#pragma once

#include <QString>

#include "platform/ftpupload.h"

// The statistics FTP server and account this build was configured with.
FtpTarget DeploymentFtpTarget();

// What one start-up upload did.
struct StartPingOutcome {
    // A marker from the previous start was there and an upload was tried.
    bool markerFound = false;
    // The name the marker was uploaded under, and how the upload went.
    QString remoteName;
    FtpUploadResult upload;
    // A new marker was left for the next start.
    bool markerWritten = false;
};

// The start-up upload: the marker file left by the previous start is
// uploaded under a fresh random name, so the maker can count starts, and a
// new marker is written for the next start. Nothing in it can fail the
// start-up: every failure is ignored.
class StartPing {
public:
    // The marker file and the text file it is made from, in `folder`.
    static QString MarkerFile() { return QStringLiteral("check.ver"); }
    static QString TextFile() { return QStringLiteral("temp1.txt"); }
    // Longest wait of each FTP step, in milliseconds.
    static constexpr int StepTimeoutMs = 15000;

    // Works in `folder` (the working folder when empty) against `target`.
    explicit StartPing(FtpTarget target = DeploymentFtpTarget(), QString folder = QString());

    // 1. When the marker exists: upload it under the decimal text of a
    //    random number 0 <= n < 99999999 into the login folder (outcome
    //    ignored), then delete it. 2. Write the text file with the line
    //    "begin", 3. compress it into a new marker, 4. delete the text file.
    StartPingOutcome Run();

    // The step time-out used by Run (tests shorten it).
    void SetStepTimeoutMs(int ms) { m_stepTimeoutMs = ms; }

private:
    QString path(const QString& name) const;

    FtpTarget m_target;
    QString m_folder;
    int m_stepTimeoutMs = StepTimeoutMs;
};
