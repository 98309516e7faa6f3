#include "mainwindow/demorotation.h"

#include <QTimer>

#include "mainwindow/demosamples.h"

DemoRotation::DemoRotation(CoBrandConfig& config, QString siteRoot, QObject* parent)
    : QObject(parent), m_config(config), m_siteRoot(std::move(siteRoot)) {
    DemoTimer = new QTimer(this);
    DemoTimer->setObjectName(QStringLiteral("DemoTimer"));
    DemoTimer->setInterval(IntervalMs);
    connect(DemoTimer, &QTimer::timeout, this, &DemoRotation::DemoTimerTimer);
}

void DemoRotation::Reset() {
    m_step = 0;
    DemoTimer->stop();
}

void DemoRotation::Start() {
    DemoTimer->start();
}

void DemoRotation::DemoTimerTimer() {
    m_step = NextDemoStep(m_step);
    ApplyDemoSample(m_step, m_config, m_siteRoot);
    emit stepped(m_step);
}
