#pragma once

#include <QString>

// Where a file is uploaded and with which account.
struct FtpTarget {
    QString host; // "host[:port]"; port 21 when none is given
    QString user;
    QString password;
};

// The outcome of one upload; `error` names what failed.
struct FtpUploadResult {
    bool ok = false;
    QString error;
};

// Uploads the local file `localPath` by FTP into the login folder under
// `remoteName`: connect, log in with the account, transfer in image
// (byte-exact) mode over a passive data connection, quit. Each step (the
// connection, every reply of the server, a stalled transfer) waits at most
// `stepTimeoutMs`. Synchronous for the caller while the event loop keeps
// running: libcurl's multi interface is driven by socket notifiers and a
// timer. No proxy from the environment is used.
FtpUploadResult FtpUpload(const FtpTarget& target, const QString& localPath,
                          const QString& remoteName, int stepTimeoutMs = 15000);
