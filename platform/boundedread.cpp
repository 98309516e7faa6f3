#include "platform/boundedread.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>

BoundedRead ReadBounded(const QString& path, qint64 maxBytes, int waitMs) {
    BoundedRead out;
    // Non-blocking, so that opening a FIFO no one writes to does not wait
    // for a writer, and reading one that stalls can be given up.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        out.error = QString::fromLocal8Bit(std::strerror(errno));
        return out;
    }
    const QDeadlineTimer deadline(waitMs);
    char buffer[16384];
    for (;;) {
        const qint64 room = maxBytes + 1 - out.bytes.size();
        const ssize_t got =
            ::read(fd, buffer, static_cast<std::size_t>(std::min<qint64>(room, sizeof buffer)));
        if (got > 0) {
            out.bytes.append(buffer, static_cast<qsizetype>(got));
            if (out.bytes.size() > maxBytes) {
                out.error = QStringLiteral("the file is larger than %1 bytes").arg(maxBytes);
                break;
            }
            continue;
        }
        if (got == 0)
            break; // the end of the file, or a FIFO whose writers are gone
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            out.error = QString::fromLocal8Bit(std::strerror(errno));
            break;
        }
        const qint64 left = deadline.remainingTime();
        pollfd wait{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&wait, 1, static_cast<int>(left)) == 0) {
            out.error = QStringLiteral("no data within %1 s").arg(waitMs / 1000.0);
            break;
        }
    }
    ::close(fd);
    if (!out.error.isEmpty())
        out.bytes.clear();
    return out;
}
