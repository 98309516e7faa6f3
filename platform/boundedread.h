#pragma once

#include <QByteArray>
#include <QString>

// What ReadBounded read: the bytes, or why it could not.
struct BoundedRead {
    QByteArray bytes;
    // Empty when the bytes are the whole file.
    QString error;
};

// Reads the file at `path` whole when it holds at most `maxBytes` bytes.
// Whatever the file is (a regular file, a FIFO, a device), it never reads
// more than `maxBytes` + 1 bytes and never waits more than `waitMs`
// milliseconds in all for data: a FIFO without a writer reads as empty, one
// whose writer stalls fails with "no data within N s", a longer file or an
// endless device fails with "the file is larger than N bytes".
BoundedRead ReadBounded(const QString& path, qint64 maxBytes, int waitMs);
