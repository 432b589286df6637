#include "shell/NotificationAreaWatcher.h"

#include "shell/StatusNotifierHosts.h"
#include "shell/X11SystemTray.h"

#include <QDBusConnection>
#include <QGuiApplication>

namespace vireo {
namespace {

// The toolkit makes its first tray icon as soon as an area is found, and with it chooses for
// the rest of the process: a StatusNotifier host when one is there, else the X11 tray. From
// then on only an area of the chosen kind can show the icon.
class ChosenArea {
public:
    ChosenArea(const X11SystemTray* tray, const StatusNotifierHosts* hosts)
        : tray_(tray)
        , hosts_(hosts) {}

    bool operator()() {
        const bool host = hosts_ != nullptr && hosts_->HostThere();
        const bool tray = tray_ != nullptr && tray_->TrayThere();
        if (chosen_ == Kind::None && (host || tray))
            chosen_ = host ? Kind::Host : Kind::Tray;
        return chosen_ == Kind::Host ? host : tray;
    }

private:
    enum class Kind { None, Host, Tray };
    const X11SystemTray* tray_;
    const StatusNotifierHosts* hosts_;
    Kind chosen_ = Kind::None;
};

std::unique_ptr<StatusNotifierHosts> HostsForPlatform() {
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland")))
        return nullptr;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return nullptr;
    return std::make_unique<StatusNotifierHosts>(bus);
}

} // namespace

NotificationAreaWatcher::NotificationAreaWatcher(QObject* source, const char* signal,
                                                 Probe available, QObject* parent)
    : QObject(parent)
    , available_(std::move(available)) {
    if (source != nullptr)
        Listen(source, signal);
}

bool NotificationAreaWatcher::Listen(QObject* source, const char* signal) {
    const bool connected = static_cast<bool>(connect(source, signal, this, SLOT(Announced())));
    listening_ = listening_ || connected;
    return connected;
}

std::unique_ptr<NotificationAreaWatcher> NotificationAreaWatcher::ForPlatform(QObject* parent) {
    std::unique_ptr<X11SystemTray> tray = X11SystemTray::ForPlatform();
    std::unique_ptr<StatusNotifierHosts> hosts = HostsForPlatform();
    if (!tray && !hosts)
        return nullptr;
    auto watcher = std::make_unique<NotificationAreaWatcher>(
        nullptr, nullptr, ChosenArea(tray.get(), hosts.get()), parent);
    // The sources live as long as the watcher, whose probe reads them.
    for (QObject* source :
         {static_cast<QObject*>(tray.release()), static_cast<QObject*>(hosts.release())}) {
        if (source == nullptr)
            continue;
        source->setParent(watcher.get());
        watcher->Listen(source, SIGNAL(changed()));
    }
    return watcher;
}

void NotificationAreaWatcher::Announced() {
    const bool there = available_();
    if (there == there_)
        return;
    there_ = there;
    if (there)
        emit appeared();
    else
        emit disappeared();
}

} // namespace vireo
