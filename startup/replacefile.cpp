#include "startup/replacefile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Creates a new file beside `target` with a name no other file has, with
// mode 0666 less the umask; its name goes to `partial`. Returns the open
// descriptor, or -1 with errno set.
int createBeside(const QByteArray& target, QByteArray& partial) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        partial = target + '.';
        for (int i = 0; i < 6; ++i) {
            partial += letters[QRandomGenerator::global()->bounded(62)];
        }
        const int fd = ::open(partial.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

} // namespace

QString ReplaceFile(const QString& path, const QByteArray& contents, FileAccess access) {
    const QByteArray target = QFile::encodeName(path);
    QByteArray partial = target + ".XXXXXX";
    const int fd = access == FileAccess::OwnerOnly ? ::mkstemp(partial.data()) // mode 0600
                                                   : createBeside(target, partial);
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
    if (error == 0 && access == FileAccess::OwnerOnly && ::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
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
