#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace vireo {

// Waits for a notification area that was not there at start. The X11 platform announces every
// new tray manager (the MANAGER message of the tray selection); each announcement asks once
// whether an icon can be shown now. Nothing runs in between: no timer, no polling.
class NotificationAreaWatcher : public QObject {
    Q_OBJECT
public:
    using Probe = std::function<bool()>;

    // Listens to `signal` (a SIGNAL() signature) of `source`; `available` says whether a
    // notification area can take an icon now.
    NotificationAreaWatcher(QObject* source, const char* signal, Probe available,
                            QObject* parent = nullptr);

    // A watcher over the running platform's announcements, or null when the platform makes
    // none (then a notification area that comes late is not noticed).
    static std::unique_ptr<NotificationAreaWatcher> ForPlatform(QObject* parent = nullptr);

    bool Watching() const { return watching_; }

signals:
    // Sent once, for the first announcement after which an icon can be shown.
    void appeared();

private slots:
    void Announced();

private:
    Probe available_;
    bool watching_ = false;
};

} // namespace vireo
