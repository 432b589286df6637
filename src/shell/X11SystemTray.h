#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <cstdint>
#include <memory>

struct xcb_connection_t;

namespace vireo {

// Follows the X11 system tray (XEmbed) of the program's screen: the owner of the tray
// selection _NET_SYSTEM_TRAY_S<screen>. A tray manager that starts announces itself with the
// MANAGER message on the root window; one that ends destroys its selection window. Both come
// as events; nothing is polled.
class X11SystemTray : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // A follower on the program's X11 connection, or null when the program does not run on X11.
    static std::unique_ptr<X11SystemTray> ForPlatform(QObject* parent = nullptr);
    ~X11SystemTray() override;

    bool TrayThere() const { return owner_ != 0; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void changed();

private:
    X11SystemTray(xcb_connection_t* connection, std::uint32_t root, std::uint32_t selection,
                  std::uint32_t manager, QObject* parent);
    // Reads the selection's owner and asks to hear of its end. Runs after the toolkit has
    // handled the event that brought the change.
    void Follow();
    void FollowLater();

    xcb_connection_t* connection_;
    std::uint32_t root_;
    std::uint32_t selection_;
    std::uint32_t manager_;
    std::uint32_t owner_ = 0;
};

} // namespace vireo
