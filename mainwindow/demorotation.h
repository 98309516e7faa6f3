#pragma once

#include <QObject>
#include <QString>

#include "startup/cobrandconfig.h"

class QTimer;

// The demonstration rotation: while `DemoTimer` runs, every 10 seconds the
// next sample (steps 1, 2, 3, 4, 0, ...) overwrites the header part of the
// configuration, and `stepped` asks the window to show it.
class DemoRotation : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 10000;

    // Works on config, which must outlive the rotation; the partner samples
    // link to pages under siteRoot.
    DemoRotation(CoBrandConfig& config, QString siteRoot, QObject* parent = nullptr);

    int DemoStep() const { return m_step; }
    // Step 0, timer off.
    void Reset();
    // Starts the 10-second timer.
    void Start();
    // One step: advances DemoStep, writes its sample into the configuration
    // and emits `stepped`.
    void DemoTimerTimer();

    QTimer* DemoTimer = nullptr;

signals:
    void stepped(int step);

private:
    CoBrandConfig& m_config;
    QString m_siteRoot;
    int m_step = 0;
};
