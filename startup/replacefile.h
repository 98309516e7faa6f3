#pragma once

#include <QByteArray>
#include <QString>

// Who may read a file written by ReplaceFile.
enum class FileAccess {
    OwnerOnly, // readable and writable by its owner only (files holding secrets)
    Default,   // as any new file: read and write for all, less the process's umask
};

// Replaces the file at `path` with `contents`: writes a new file beside it
// (with the access `access` asks for), flushes it to disk and renames it over
// the old one. Returns an empty string on success, otherwise the system's
// reason; on failure the old file is untouched and the new one removed.
//
// Qt's own save file reports success when the disk takes only part of the
// bytes (a partial write), so every byte written is checked here.
QString ReplaceFile(const QString& path, const QByteArray& contents,
                    FileAccess access = FileAccess::OwnerOnly);
