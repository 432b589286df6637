#include "shell/InstanceChannel.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo {
namespace {

// Clients served at once; more are refused until one ends.
constexpr std::size_t kMaxSessions = 8;

int Remaining(const QDeadlineTimer& deadline) {
    return static_cast<int>(deadline.remainingTime());
}

// A folder of this user's alone below the temporary folder, created when missing; empty
// when the name is taken by anything else.
QString PrivateTempFolder() {
    const QString folder =
        QDir::tempPath() + QStringLiteral("/sonexa-vireo-mixer-") + QString::number(geteuid());
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != geteuid() || (info.st_mode & 077) != 0)
        return {};
    return folder;
}

bool PeerIsThisUser(const QLocalSocket& socket) {
#ifdef SO_PEERCRED
    ucred peer{};
    socklen_t size = sizeof peer;
    const auto fd = static_cast<int>(socket.socketDescriptor());
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == geteuid();
#else
    Q_UNUSED(socket);
    return true;
#endif
}

std::optional<instance::StatusMessage> ReadStatus(QLocalSocket& socket,
                                                  const QDeadlineTimer& deadline) {
    QByteArray received;
    for (;;) {
        const auto decoded = instance::DecodeStatus(received);
        if (decoded.state == instance::DecodeState::Complete)
            return decoded.message;
        if (decoded.state == instance::DecodeState::Invalid)
            return std::nullopt;
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(Remaining(deadline)))
            return std::nullopt;
        received += socket.readAll();
    }
}

bool WriteAll(QLocalSocket& socket, const QByteArray& bytes, const QDeadlineTimer& deadline) {
    if (socket.write(bytes) != bytes.size())
        return false;
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(Remaining(deadline)))
            return false;
    }
    return true;
}

} // namespace

InstanceEndpoint InstanceEndpointIn(const QString& folder) {
    const QString base =
        folder + QStringLiteral("/sonexa-vireo-mixer-") + QString::number(geteuid());
    return {base + QStringLiteral(".socket"), base + QStringLiteral(".lock")};
}

InstanceEndpoint DefaultInstanceEndpoint() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return InstanceEndpointIn(runtime);
    const QString folder = PrivateTempFolder();
    return folder.isEmpty() ? InstanceEndpoint{} : InstanceEndpointIn(folder);
}

instance::HandOffMessage HandOffFor(const QStringList& arguments, const QString& workingFolder) {
    instance::HandOffMessage message;
    if (arguments.isEmpty())
        return message;
    const QString& first = arguments.first();
    // Only a path from the root counts as absolute: Qt also takes ":name" (its resources).
    if (first.isEmpty() || first.startsWith('/'))
        message.path = first;
    else
        message.path = workingFolder + (workingFolder.endsWith('/') ? "" : "/") + first;
    return message;
}

InstanceChannel::InstanceChannel(QString instancePrefix, InstanceEndpoint endpoint,
                                 InstanceTiming timing, QObject* parent)
    : QObject(parent)
    , prefix_(std::move(instancePrefix))
    , endpoint_(std::move(endpoint))
    , timing_(timing) {}

InstanceChannel::~InstanceChannel() {
    for (auto it = sessions_.begin(); it != sessions_.end(); it = sessions_.begin())
        endSession(it->first);
    delete server_; // removes the socket before the lock is given up
    server_ = nullptr;
    lock_.reset();
}

InstanceChannel::Outcome InstanceChannel::start(const QStringList& arguments,
                                                const QString& workingFolder) {
    if (endpoint_.socketPath.isEmpty())
        return Outcome::Running;
    const QDeadlineTimer deadline(timing_.startBudget);
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(endpoint_.socketPath);
        if (socket.waitForConnected(Remaining(deadline)))
            return talkToRunning(socket, HandOffFor(arguments, workingFolder), deadline);
        if (becomeListener() != Election::NotElected || deadline.hasExpired())
            return Outcome::Running;
        QThread::msleep(static_cast<unsigned long>(timing_.retryInterval.count()));
    }
}

InstanceChannel::Outcome InstanceChannel::talkToRunning(QLocalSocket& socket,
                                                        instance::HandOffMessage message,
                                                        const QDeadlineTimer& deadline) {
    const auto status = ReadStatus(socket, deadline);
    if (!status || !status->caption.startsWith(prefix_))
        return Outcome::Running;
    message.bringToFront = !status->minimised;
    const bool written = WriteAll(socket, instance::EncodeHandOff(message), deadline);
    socket.disconnectFromServer();
    return written ? Outcome::HandedOff : Outcome::HandOffFailed;
}

InstanceChannel::Election InstanceChannel::becomeListener() {
    auto lock = std::make_unique<QLockFile>(endpoint_.lockPath);
    lock->setStaleLockTime(0); // stale only when its process is gone
    if (!lock->tryLock(0))
        return Election::NotElected;
    // A connect has just failed and no one else holds the lock: whatever socket is left
    // belongs to an instance that is gone.
    QLocalServer::removeServer(endpoint_.socketPath);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(endpoint_.socketPath)) {
        qWarning("Cannot listen for later starts on %s: %s", qPrintable(endpoint_.socketPath),
                 qPrintable(server->errorString()));
        return Election::Failed;
    }
    lock_ = std::move(lock);
    server_ = server.release();
    connect(server_, &QLocalServer::newConnection, this, &InstanceChannel::acceptConnections);
    return Election::Listening;
}

void InstanceChannel::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection())
        serve(socket);
}

void InstanceChannel::serve(QLocalSocket* socket) {
    if (sessions_.size() >= kMaxSessions || !PeerIsThisUser(*socket)) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    auto* timer = new QTimer(socket);
    timer->setSingleShot(true);
    sessions_[socket] = Session{{}, timer};
    connect(timer, &QTimer::timeout, this, [this, socket] { endSession(socket); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { receive(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { endSession(socket); });
    timer->start(timing_.clientTimeout);
    const InstanceStatus status = provider_ ? provider_() : InstanceStatus{};
    socket->write(instance::EncodeStatus({status.caption, status.minimised}));
}

void InstanceChannel::receive(QLocalSocket* socket) {
    const auto it = sessions_.find(socket);
    if (it == sessions_.end())
        return;
    it->second.received += socket->readAll();
    const auto decoded = instance::DecodeHandOff(it->second.received);
    if (decoded.state == instance::DecodeState::NeedMore)
        return;
    endSession(socket); // one hand-off per connection, garbage or not
    if (decoded.state == instance::DecodeState::Complete)
        deliver(decoded.message);
}

void InstanceChannel::endSession(QLocalSocket* socket) {
    const auto it = sessions_.find(socket);
    if (it == sessions_.end())
        return;
    sessions_.erase(it);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void InstanceChannel::deliver(const instance::HandOffMessage& message) {
    if (message.bringToFront)
        emit bringToFrontRequested();
    if (message.path)
        emit settingsFileHandedOver(*message.path);
}

} // namespace vireo
