#include "shell/NotificationAreaWatcher.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>

namespace vireo {

NotificationAreaWatcher::NotificationAreaWatcher(QObject* source, const char* signal,
                                                 Probe available, QObject* parent)
    : QObject(parent)
    , available_(std::move(available)) {
    if (source != nullptr)
        watching_ = static_cast<bool>(connect(source, signal, this, SLOT(Announced())));
}

std::unique_ptr<NotificationAreaWatcher> NotificationAreaWatcher::ForPlatform(QObject* parent) {
    // The X11 platform sends this whenever the owner of a screen's tray selection changes.
    // Its tracker exists once availability has been asked, as the start-up does.
    // The native interface derives from QObject alone (its header is not public), so its address
    // is that of its QObject.
    auto* platform = reinterpret_cast<QObject*>(QGuiApplication::platformNativeInterface());
    if (platform == nullptr ||
        platform->metaObject()->indexOfSignal("systemTrayWindowChanged(QScreen*)") < 0)
        return nullptr;
    auto watcher = std::make_unique<NotificationAreaWatcher>(
        platform, SIGNAL(systemTrayWindowChanged(QScreen*)),
        [] { return QSystemTrayIcon::isSystemTrayAvailable(); }, parent);
    if (!watcher->Watching())
        return nullptr;
    return watcher;
}

void NotificationAreaWatcher::Announced() {
    if (!watching_ || !available_())
        return;
    watching_ = false;
    if (QObject* source = sender())
        disconnect(source, nullptr, this, nullptr);
    emit appeared();
}

} // namespace vireo
