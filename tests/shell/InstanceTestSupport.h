#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <QThread>
#include <functional>
#include <ostream>

namespace vireo::test {

// Runs the event loop until `done` holds or `timeoutMs` pass; true when it held.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

// Leaves a socket file at path whose server is gone, as a crash does.
bool MakeDeadSocket(const QString& path);

// Mode bits of a file, or -1 when it cannot be read.
int FileMode(const QString& path);

// Forks a process that takes the identity of `uid`, then connects to the socket at path.
// Returns 0 when it connected, the errno of a refused connect, or -1 when the attempt could
// not be made (the path was not even visible to that user, or the fork failed).
int ConnectAsUser(const QString& path, unsigned uid);

} // namespace vireo::test

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
