#pragma once

#include "shell/InstanceMessage.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <map>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QTimer;

namespace vireo {

// What a starting program learns of the running instance's main window.
struct InstanceStatus {
    QString caption;
    bool minimised = false;
};
using InstanceStatusProvider = std::function<InstanceStatus()>;

// Where this user's instance channel lives: a local socket and the lock file that elects
// its one listener, side by side.
struct InstanceEndpoint {
    QString socketPath; // empty when no private folder could be found
    QString lockPath;
};

// The endpoint in folder, named with the user's id.
InstanceEndpoint InstanceEndpointIn(const QString& folder);
// The endpoint in $XDG_RUNTIME_DIR, else in a private folder of the user's own below the
// temporary folder (refused, and so empty, when that folder is not the user's alone).
InstanceEndpoint DefaultInstanceEndpoint();

struct InstanceTiming {
    // How long a starting program may wait in all for the running instance.
    std::chrono::milliseconds startBudget{3000};
    // Pause between connection attempts while a first instance is still coming up.
    std::chrono::milliseconds retryInterval{50};
    // How long the running instance waits for a connected client's hand-off.
    std::chrono::milliseconds clientTimeout{1000};
};

// The single running instance. A starting program calls start(): when another instance
// listens and its caption begins with the instance prefix, this one hands over its file and
// ends; otherwise it runs, and the first to run becomes the listener that later starts hand
// their files to.
class InstanceChannel : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Running,       // no running instance recognised: start fully
        HandedOff,     // the running instance has the hand-off: end
        HandOffFailed, // an instance was recognised but the hand-off could not be written
    };

    explicit InstanceChannel(QString instancePrefix,
                             InstanceEndpoint endpoint = DefaultInstanceEndpoint(),
                             InstanceTiming timing = {}, QObject* parent = nullptr);
    ~InstanceChannel() override;

    // arguments are the program's arguments without its name; only the first is handed over,
    // made absolute against workingFolder. Waits at most timing.startBudget; call it before
    // the event loop runs.
    Outcome start(const QStringList& arguments, const QString& workingFolder = QDir::currentPath());

    // True when this instance answers later starts.
    bool isListening() const { return server_ != nullptr; }
    const InstanceEndpoint& endpoint() const { return endpoint_; }

    // Tells later starts the main window's caption; until set, the caption is empty, which
    // no start recognises.
    void setStatusProvider(InstanceStatusProvider provider) { provider_ = std::move(provider); }

signals:
    // A later start found the window not minimised. A window hidden in the tray stays hidden.
    void bringToFrontRequested();
    // A later start handed over its file: show the window, then open the file. An empty path
    // is one that could not be carried; the window shows itself and opens nothing.
    void settingsFileHandedOver(const QString& path);

private:
    enum class Election { NotElected, Listening, Failed };
    struct Session {
        QByteArray received;
        QTimer* timer = nullptr;
    };

    Outcome talkToRunning(QLocalSocket& socket, instance::HandOffMessage message,
                          const QDeadlineTimer& deadline);
    Election becomeListener();
    void acceptConnections();
    void serve(QLocalSocket* socket);
    void receive(QLocalSocket* socket);
    void endSession(QLocalSocket* socket);
    void deliver(const instance::HandOffMessage& message);

    QString prefix_;
    InstanceEndpoint endpoint_;
    InstanceTiming timing_;
    InstanceStatusProvider provider_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    std::map<QLocalSocket*, Session> sessions_;
};

// The hand-off a start with these arguments sends: the first argument made absolute against
// workingFolder, or no path without arguments. An empty argument becomes an empty path.
instance::HandOffMessage HandOffFor(const QStringList& arguments, const QString& workingFolder);

} // namespace vireo
