#include "startup/errorreport.h"

#include <cstdio>

#include <QGuiApplication>
#include <QMessageBox>

void ReportError(QWidget* parent, const QString& message) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        return;
    }
    QMessageBox::critical(parent, QGuiApplication::applicationDisplayName(), message);
}
