#include "startup/startping.h"

#include <utility>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include "deployment.h"
#include "platform/filecompressor.h"

FtpTarget DeploymentFtpTarget() {
    return {QString::fromLatin1(deployment::FtpHost), QString::fromLatin1(deployment::FtpUser),
            QString::fromLatin1(deployment::FtpPassword)};
}

StartPing::StartPing(FtpTarget target, QString folder)
    : m_target(std::move(target)), m_folder(std::move(folder)) {}

QString StartPing::path(const QString& name) const {
    return m_folder.isEmpty() ? name : QDir(m_folder).filePath(name);
}

StartPingOutcome StartPing::Run() {
    StartPingOutcome outcome;
    const QString marker = path(MarkerFile());
    if (QFile::exists(marker)) {
        outcome.markerFound = true;
        outcome.remoteName = QString::number(QRandomGenerator::global()->bounded(99999999));
        outcome.upload = FtpUpload(m_target, marker, outcome.remoteName, m_stepTimeoutMs);
        // Deleted whatever the upload did: a failed upload is a start not counted.
        QFile::remove(marker);
    }
    const QString text = path(TextFile());
    QFile file(text);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const bool written = file.write("begin\r\n") == 7 && file.flush();
        file.close();
        outcome.markerWritten = written && CompressFile(text, marker).isEmpty();
    }
    QFile::remove(text);
    return outcome;
}
