#include "startup/executableblock.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 CopyChunk = 1 << 20;

QString workPath(const QString& workDir, const QString& name) {
    return workDir.isEmpty() ? name : workDir + QLatin1Char('/') + name;
}

// Copies up to `limit` bytes (all when negative) from `in` to `out` in chunks;
// returns the number copied, or -1 on a read or write error.
qint64 copyStream(QFile& in, QFile& out, qint64 limit) {
    QByteArray buffer;
    qint64 copied = 0;
    while (limit < 0 || copied < limit) {
        const qint64 want = limit < 0 ? CopyChunk : std::min(CopyChunk, limit - copied);
        buffer.resize(want);
        const qint64 got = in.read(buffer.data(), want);
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        if (out.write(buffer.constData(), got) != got) {
            return -1;
        }
        copied += got;
    }
    return copied;
}

// Removes the working files a failed start-up leaves behind.
ExecutableBlockResult fail(const StartupFailure& failure, std::initializer_list<QString> debris) {
    for (const QString& path : debris) {
        QFile::remove(path);
    }
    ExecutableBlockResult result;
    result.failure = failure;
    return result;
}

} // namespace

QString StartupFailure::message() const {
    switch (kind) {
    case Kind::None:
        return {};
    case Kind::CannotOpen:
        return QStringLiteral("Cannot open file %1").arg(path);
    case Kind::CannotCreate:
        return QStringLiteral("Cannot create file %1").arg(path);
    case Kind::InputOutput:
        return QStringLiteral("Input/output error on file %1: %2").arg(path, detail);
    }
    return {};
}

ExecutableBlockResult LoadCoBrandFromExecutable(const QString& executablePath, qint64 blockOffset,
                                                const QString& workDir) {
    const QString tempExe = workPath(workDir, QStringLiteral("temp.exe"));
    const QString tempTxt = workPath(workDir, QStringLiteral("temp.txt"));
    const QString logoPath = workPath(workDir, QStringLiteral("logo.bmp"));

    // Copy the executable whole, whatever its size, and take the copy's size.
    {
        QFile source(executablePath);
        if (!source.open(QIODevice::ReadOnly)) {
            return fail(StartupFailure::cannotOpen(executablePath), {});
        }
        QFile target(tempExe);
        if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return fail(StartupFailure::cannotCreate(tempExe), {});
        }
        // Qt may report a write as done when the disk took only part of it,
        // so the copy's size on disk is checked too.
        const qint64 copied = copyStream(source, target, -1);
        target.close();
        if (copied < 0 || target.error() != QFileDevice::NoError ||
            QFileInfo(tempExe).size() != copied) {
            return fail(StartupFailure::inputOutput(tempExe, QStringLiteral("copy failed: ") +
                                                                 target.errorString()),
                        {tempExe});
        }
    }
    qint64 size = 0;
    {
        QFile copy(tempExe);
        if (!copy.open(QIODevice::ReadOnly)) {
            return fail(StartupFailure::cannotOpen(tempExe), {tempExe});
        }
        size = copy.size();
    }
    if (!QFile::remove(tempExe)) {
        return fail(StartupFailure::inputOutput(tempExe, QStringLiteral("cannot delete it")), {});
    }
    if (size <= blockOffset) {
        return fail(StartupFailure::inputOutput(
                        executablePath,
                        QStringLiteral("the executable is %1 bytes and holds no co-brand block "
                                       "at byte %2")
                            .arg(size)
                            .arg(blockOffset)),
                    {});
    }

    // Copy the block from the offset to the end.
    {
        QFile source(executablePath);
        if (!source.open(QIODevice::ReadOnly)) {
            return fail(StartupFailure::cannotOpen(executablePath), {});
        }
        QFile target(tempTxt);
        if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return fail(StartupFailure::cannotCreate(tempTxt), {});
        }
        if (!source.seek(blockOffset)) {
            return fail(StartupFailure::inputOutput(executablePath,
                                                    QStringLiteral("cannot reach the block")),
                        {tempTxt});
        }
        const qint64 want = size - blockOffset;
        const qint64 copied = copyStream(source, target, want);
        target.close();
        if (copied != want || target.error() != QFileDevice::NoError ||
            QFileInfo(tempTxt).size() != want) {
            return fail(
                StartupFailure::inputOutput(tempTxt, QStringLiteral("the block could not be "
                                                                    "copied whole")),
                {tempTxt});
        }
    }

    // Read the configuration and write the logo.
    ExecutableBlockResult result;
    {
        QFile block(tempTxt);
        if (!block.open(QIODevice::ReadOnly)) {
            return fail(StartupFailure::cannotOpen(tempTxt), {tempTxt});
        }
        const QByteArray bytes = block.readAll();
        if (block.error() != QFileDevice::NoError) {
            return fail(StartupFailure::inputOutput(tempTxt, block.errorString()), {tempTxt});
        }
        const CoBrandReadResult read = ReadCoBrandConfig(bytes);
        if (!read.ok()) {
            return fail(
                StartupFailure::inputOutput(
                    tempTxt,
                    QStringLiteral("the co-brand block ends inside field %1").arg(read.field)),
                {tempTxt});
        }
        QFile logo(logoPath);
        if (!logo.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return fail(StartupFailure::cannotCreate(logoPath), {tempTxt});
        }
        const qint64 written = logo.write(read.logo);
        logo.close();
        if (written != read.logo.size() || logo.error() != QFileDevice::NoError ||
            QFileInfo(logoPath).size() != read.logo.size()) {
            return fail(StartupFailure::inputOutput(logoPath, logo.errorString()), {tempTxt});
        }
        result.config = read.config;
    }
    if (!QFile::remove(tempTxt)) {
        return fail(StartupFailure::inputOutput(tempTxt, QStringLiteral("cannot delete it")), {});
    }
    result.executableSize = size;
    return result;
}
