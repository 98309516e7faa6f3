#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a clean quit: every visible window is closed
// (so their close handlers run) and the event loop ends with exit code 0.
// A signal that arrives before an event loop runs is remembered.
class TerminationSignal : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one instance per process.
    explicit TerminationSignal(QObject* parent = nullptr);
    ~TerminationSignal() override;

    // True once a termination signal has arrived.
    static bool Requested();
    // While deferred, a signal is only remembered: the start-up's network
    // exchanges wait in event loops of their own, which must not be cut
    // short. Ending the deferral acts on a remembered signal in the next
    // event loop that runs.
    void SetDeferred(bool deferred);

private:
    void onSignal();

    QSocketNotifier* m_notifier = nullptr;
};
