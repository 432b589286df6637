#include "InstanceTestSupport.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vireo::test {
namespace {

bool FillAddress(const QString& path, sockaddr_un& address) {
    const QByteArray native = QFile::encodeName(path);
    if (native.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()) + 1);
    return true;
}

} // namespace

bool MakeDeadSocket(const QString& path) {
    sockaddr_un address{};
    if (!FillAddress(path, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

int FileMode(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return static_cast<int>(info.st_mode);
}

int ConnectAsUser(const QString& path, unsigned uid) {
    sockaddr_un address{};
    if (!FillAddress(path, address))
        return -1;
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        // Only system calls from here on: the parent has threads.
        if (::setgid(uid) != 0 || ::setuid(uid) != 0 || ::access(address.sun_path, F_OK) != 0)
            ::_exit(255);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            ::_exit(0);
        ::_exit(errno & 0x7F);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}

} // namespace vireo::test
