#pragma once

#include <QMainWindow>

#include "startup/cobrandconfig.h"
#include "startup/proxysettings.h"

class QMdiArea;

// The main window: the multiple-document parent of every database window,
// captioned with the co-brand window title.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Runs the creation handler with the configuration read at start-up.
    explicit TForm1(const CoBrandConfig& config, QWidget* parent = nullptr);

    // Set by the version check while the window is created when this copy is
    // out of date; the start-up sequence then shows the update notice.
    bool UpdateRequired() const { return m_updateRequired; }

    QMdiArea* MdiArea() const { return m_mdiArea; }

    // The proxy settings loaded at start-up (all off when the co-brand block
    // does not ask for them); database windows take them when created.
    void SetProxySettings(const ProxySettings& settings) { m_proxySettings = settings; }
    const ProxySettings& LoadedProxySettings() const { return m_proxySettings; }

    void FormCreate();

private:
    CoBrandConfig m_config;
    ProxySettings m_proxySettings;
    QMdiArea* m_mdiArea = nullptr;
    bool m_updateRequired = false;
};
