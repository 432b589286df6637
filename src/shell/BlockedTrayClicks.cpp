#include "shell/BlockedTrayClicks.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace vireo {
namespace {

constexpr xcb_button_t kLeftButton = 1;

std::uint8_t InputExtensionOpcode(xcb_connection_t* connection) {
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_input_id);
    return extension != nullptr && extension->present ? extension->major_opcode : 0;
}

QPointF FromFixed(xcb_input_fp1616_t x, xcb_input_fp1616_t y) {
    return {x / 65536.0, y / 65536.0};
}

} // namespace

BlockedTrayClicks::BlockedTrayClicks(QObject* context, std::function<QRect()> iconArea,
                                     std::function<void()> clicked)
    : context_(context)
    , iconArea_(std::move(iconArea))
    , clicked_(std::move(clicked)) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return;
    inputOpcode_ = InputExtensionOpcode(x11->connection());
    QCoreApplication::instance()->installNativeEventFilter(this);
    installed_ = true;
}

BlockedTrayClicks::~BlockedTrayClicks() {
    if (installed_ && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

// The press is in native pixels of the root window; the icon's area in the toolkit's.
bool BlockedTrayClicks::OnIcon(QPointF rootPosition) const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    const QRect area = iconArea_ ? iconArea_() : QRect();
    return area.isValid() && QRectF(area).contains(rootPosition / ratio);
}

// Only while a modal dialog blocks the icon: otherwise the toolkit reports the click itself.
// The toolkit takes pointer input through the X input extension (XI2) where the server has
// it, as a generic event of that extension, else as the core protocol's button press.
bool BlockedTrayClicks::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || QApplication::activeModalWidget() == nullptr)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    bool onIcon = false;
    if ((event->response_type & 0x7F) == XCB_BUTTON_PRESS) {
        const auto* press = reinterpret_cast<const xcb_button_press_event_t*>(event);
        onIcon = press->detail == kLeftButton && OnIcon(QPointF(press->root_x, press->root_y));
    } else if ((event->response_type & 0x7F) == XCB_GE_GENERIC && inputOpcode_ != 0) {
        const auto* press = reinterpret_cast<const xcb_input_button_press_event_t*>(event);
        onIcon = press->extension == inputOpcode_ && press->event_type == XCB_INPUT_BUTTON_PRESS &&
                 press->detail == kLeftButton && OnIcon(FromFixed(press->root_x, press->root_y));
    }
    if (onIcon)
        QTimer::singleShot(0, context_, clicked_);
    return false;
}

} // namespace vireo
