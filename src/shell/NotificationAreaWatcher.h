#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace vireo {

// Follows the desktop's notification area as it comes and goes. Its sources announce every
// change they see (an X11 tray manager's MANAGER message or end, a StatusNotifier host on the
// session bus); each announcement asks once whether an icon can be shown now, and a change of
// that answer is reported. Nothing runs in between: no timer, no polling.
class NotificationAreaWatcher : public QObject {
    Q_OBJECT
public:
    using Probe = std::function<bool()>;

    // Listens to `signal` (a SIGNAL() signature) of `source`, when given; `available` says
    // whether a notification area can take an icon now. No area is taken to be there yet.
    NotificationAreaWatcher(QObject* source, const char* signal, Probe available,
                            QObject* parent = nullptr);

    // A watcher over the running platform's notification areas (X11 system tray, and the
    // session bus's StatusNotifier hosts on X11 and Wayland), or null on a platform that has
    // none to announce.
    static std::unique_ptr<NotificationAreaWatcher> ForPlatform(QObject* parent = nullptr);

    // Adds a source of announcements.
    bool Listen(QObject* source, const char* signal);
    // Asks whether an area can take an icon now, without reporting anything.
    bool AvailableNow() const { return available_(); }
    // Takes the area as there or not, as found at start.
    void SetAreaThere(bool there) { there_ = there; }
    bool AreaThere() const { return there_; }
    // Whether it listens and waits for an area to come.
    bool Watching() const { return listening_ && !there_; }

signals:
    // Sent once each time an area comes, and once each time it goes.
    void appeared();
    void disappeared();

private slots:
    void Announced();

private:
    Probe available_;
    bool listening_ = false;
    bool there_ = false;
};

} // namespace vireo
