#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>

namespace vireo {

// Follows the StatusNotifier hosts of the session bus: whether a watcher
// (org.kde.StatusNotifierWatcher) is there and says that a host has registered with it. A panel
// that starts, quits or restarts is noticed through the bus's name changes and the watcher's
// own signals; nothing is polled.
class StatusNotifierHosts : public QObject {
    Q_OBJECT
public:
    // Asks the bus once, waiting for the answer, so that the state at start is known; after
    // that every question is asked without waiting.
    explicit StatusNotifierHosts(QDBusConnection bus, QObject* parent = nullptr);

    bool HostThere() const { return hostThere_; }

signals:
    void changed();

private slots:
    void WatcherCame();
    void WatcherGone();
    void HostRegistered();
    void HostUnregistered();

private:
    void AskWatcher();
    void Answered(int question, bool hostThere);
    void Set(bool hostThere);

    QDBusConnection bus_;
    QDBusServiceWatcher services_;
    bool hostThere_ = false;
    int questions_ = 0; // answers to earlier questions are stale
};

} // namespace vireo
