#include "persistence/HiveLock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo {
namespace {

constexpr int kRetryMs = 10;

bool SameFile(int fd, const QByteArray& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

HiveLock::HiveLock(const QString& lockPath, int timeoutMs)
    : path_(QFile::encodeName(lockPath)) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const int result = tryOnce();
        if (result != 0 || timer.elapsed() >= timeoutMs)
            return;
        QThread::msleep(kRetryMs);
    }
}

HiveLock::~HiveLock() {
    if (fd_ < 0)
        return;
    ::unlink(path_.constData()); // while still holding it, so no one locks a removed file
    ::close(fd_);
}

int HiveLock::tryOnce() {
    const int fd = ::open(path_.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK || errno == EINTR;
        ::close(fd);
        return busy ? 0 : -1;
    }
    // The previous holder may have removed the file between our open and our lock.
    if (!SameFile(fd, path_)) {
        ::close(fd);
        return 0;
    }
    fd_ = fd;
    return 1;
}

} // namespace vireo
