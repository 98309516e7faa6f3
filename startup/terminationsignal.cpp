#include "startup/terminationsignal.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_requested = 0;

extern "C" void onTerminationSignal(int) {
    g_requested = 1;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_pipe[1], &byte, 1);
}

} // namespace

TerminationSignal::TerminationSignal(QObject* parent) : QObject(parent) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignal::onSignal);
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

TerminationSignal::~TerminationSignal() {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
}

bool TerminationSignal::Requested() {
    return g_requested != 0;
}

void TerminationSignal::SetDeferred(bool deferred) {
    // The byte stays in the pipe until the notifier reads it.
    if (m_notifier != nullptr) {
        m_notifier->setEnabled(!deferred);
    }
}

void TerminationSignal::onSignal() {
    char buffer[16];
    while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);
}
