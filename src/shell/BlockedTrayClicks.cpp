#include "shell/BlockedTrayClicks.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace vireo {
namespace {

constexpr xcb_button_t kLeftButton = 1;
// The toolkit's widget that stands for a tray icon in an X11 system tray.
constexpr auto kTrayIconWidget = "QSystemTrayIconSys";

bool IsTrayIconWindow(xcb_window_t window) {
    const QWidget* target = QWidget::find(window);
    return target != nullptr && target->objectName() == QLatin1String(kTrayIconWidget);
}

// The toolkit takes pointer input through the X input extension (XI2) where the server has it,
// as a generic event, else as the core protocol's button press.
bool IsLeftPressOnTrayIcon(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7F;
    if (type == XCB_BUTTON_PRESS) {
        const auto& press = reinterpret_cast<const xcb_button_press_event_t&>(event);
        return press.detail == kLeftButton && IsTrayIconWindow(press.event);
    }
    if (type == XCB_GE_GENERIC) {
        const auto& press = reinterpret_cast<const xcb_input_button_press_event_t&>(event);
        return press.event_type == XCB_INPUT_BUTTON_PRESS && press.detail == kLeftButton &&
               IsTrayIconWindow(press.event);
    }
    return false;
}

} // namespace

BlockedTrayClicks::BlockedTrayClicks(QObject* context, std::function<void()> clicked)
    : context_(context)
    , clicked_(std::move(clicked)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

BlockedTrayClicks::~BlockedTrayClicks() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

// Only while a modal dialog blocks the icon: otherwise the toolkit reports the click itself.
bool BlockedTrayClicks::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || QApplication::activeModalWidget() == nullptr)
        return false;
    if (IsLeftPressOnTrayIcon(*static_cast<const xcb_generic_event_t*>(message)))
        QTimer::singleShot(0, context_, clicked_);
    return false;
}

} // namespace vireo
