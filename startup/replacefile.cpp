#include "startup/replacefile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString ReplaceFile(const QString& path, const QByteArray& contents) {
    const QByteArray target = QFile::encodeName(path);
    QByteArray partial = target + ".XXXXXX";
    const int fd = ::mkstemp(partial.data()); // created with mode 0600
    if (fd < 0) {
        return systemError(errno);
    }
    int error = 0;
    qsizetype done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.constData() + done, size_t(contents.size() - done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            break;
        }
        done += n;
    }
    if (error == 0 && ::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(partial.constData(), target.constData()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(partial.constData());
        return systemError(error);
    }
    return {};
}
