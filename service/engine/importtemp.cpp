#include "service/engine/importtemp.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bbstatsd {

namespace {

constexpr const char* Marker = ".importing-";
constexpr std::size_t RandomPart = 6; // the XXXXXX of mkstemp

// The path the signal handler removes; written before the handlers go in.
char g_signalPath[4096];
// A closed terminal (SIGHUP) ends an import as a stop request does.
constexpr std::array<int, 3> RemovingSignals = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[RemovingSignals.size()];

// Only async-signal-safe calls: remove the file, then end as the signal would have.
extern "C" void removeAndRethrow(int signal) {
    unlink(g_signalPath);
    std::signal(signal, SIG_DFL);
    raise(signal);
}

} // namespace

int ImportTempFile::clearStale(const std::string& target) {
    namespace fs = std::filesystem;
    const fs::path targetPath(target);
    const fs::path dir = targetPath.has_parent_path() ? targetPath.parent_path() : fs::path(".");
    const std::string prefix = targetPath.filename().string() + Marker;
    std::error_code error;
    int removed = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + RandomPart || !name.starts_with(prefix) ||
            !entry.is_regular_file(error)) {
            continue;
        }
        const int fd = open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        // A lock held means an import in progress owns the file.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && unlink(entry.path().c_str()) == 0) {
            ++removed;
        }
        close(fd);
    }
    return removed;
}

ImportTempFile::ImportTempFile(const std::string& target) : m_target(target) {
    clearStale(target);
    // The stop signals wait while the file exists without its handlers, so
    // one that comes in between still removes it.
    sigset_t stopSignals;
    sigset_t previousMask;
    sigemptyset(&stopSignals);
    for (const int signal : RemovingSignals) {
        sigaddset(&stopSignals, signal);
    }
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previousMask);
    m_path = target + Marker + std::string(RandomPart, 'X');
    m_fd = mkostemp(m_path.data(), O_CLOEXEC);
    if (m_fd < 0) {
        pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
        throw std::runtime_error(target + ":0:0: cannot create a temporary file beside it");
    }
    flock(m_fd, LOCK_EX);
    // Readable like any other file the user writes; mkstemp creates it private.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(m_fd, 0666 & ~mask);
    if (m_path.size() < sizeof g_signalPath) {
        std::memcpy(g_signalPath, m_path.c_str(), m_path.size() + 1);
        struct sigaction action {};
        action.sa_handler = removeAndRethrow;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < RemovingSignals.size(); ++i) {
            sigaction(RemovingSignals[i], &action, &g_previous[i]);
        }
    }
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
}

ImportTempFile::~ImportTempFile() {
    for (std::size_t i = 0; i < RemovingSignals.size(); ++i) {
        sigaction(RemovingSignals[i], &g_previous[i], nullptr);
    }
    if (!m_committed) {
        std::remove(m_path.c_str());
    }
    close(m_fd);
}

void ImportTempFile::commit() {
    if (std::rename(m_path.c_str(), m_target.c_str()) != 0) {
        throw std::runtime_error(m_target + ":0:0: cannot replace the database file");
    }
    m_committed = true;
}

} // namespace bbstatsd
