#include "shell/X11SystemTray.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <xcb/xcb.h>

namespace vireo {
namespace {

template <typename Reply> struct FreeReply {
    void operator()(Reply* reply) const { std::free(reply); }
};
template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, FreeReply<Reply>>;

xcb_atom_t Atom(xcb_connection_t* connection, const QByteArray& name) {
    const ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, name.size(), name.constData()), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The root window of the screen the DISPLAY names, as the toolkit opened it.
xcb_window_t RootWindow(xcb_connection_t* connection, int& screenNumber) {
    char* host = nullptr;
    int display = 0;
    screenNumber = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screenNumber) != 0)
        std::free(host);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    return screens.rem > 0 ? screens.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

// Adds `events` to what this connection hears of `window`, keeping what the toolkit asked
// for. False when the window is gone.
bool HearOf(xcb_connection_t* connection, xcb_window_t window, std::uint32_t events) {
    const ReplyPtr<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr));
    if (!attributes)
        return false;
    if ((attributes->your_event_mask & events) == events)
        return true;
    const std::uint32_t mask = attributes->your_event_mask | events;
    const auto cookie =
        xcb_change_window_attributes_checked(connection, window, XCB_CW_EVENT_MASK, &mask);
    if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
        std::free(error);
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<X11SystemTray> X11SystemTray::ForPlatform(QObject* parent) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return nullptr;
    int screen = 0;
    const xcb_window_t root = RootWindow(connection, screen);
    const xcb_atom_t selection =
        Atom(connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
    const xcb_atom_t manager = Atom(connection, "MANAGER");
    if (root == XCB_WINDOW_NONE || selection == XCB_ATOM_NONE || manager == XCB_ATOM_NONE ||
        !HearOf(connection, root, XCB_EVENT_MASK_STRUCTURE_NOTIFY))
        return nullptr;
    std::unique_ptr<X11SystemTray> tray(
        new X11SystemTray(connection, root, selection, manager, parent));
    tray->Follow();
    return tray;
}

X11SystemTray::X11SystemTray(xcb_connection_t* connection, std::uint32_t root,
                             std::uint32_t selection, std::uint32_t manager, QObject* parent)
    : QObject(parent)
    , connection_(connection)
    , root_(root)
    , selection_(selection)
    , manager_(manager) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11SystemTray::~X11SystemTray() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11SystemTray::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
    case XCB_CLIENT_MESSAGE: {
        const auto* announcement = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (announcement->window == root_ && announcement->type == manager_ &&
            announcement->format == 32 && announcement->data.data32[1] == selection_)
            FollowLater();
        break;
    }
    case XCB_DESTROY_NOTIFY:
        if (owner_ != 0 &&
            reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == owner_)
            FollowLater();
        break;
    default:
        break;
    }
    return false;
}

void X11SystemTray::FollowLater() {
    QMetaObject::invokeMethod(this, &X11SystemTray::Follow, Qt::QueuedConnection);
}

void X11SystemTray::Follow() {
    const ReplyPtr<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection_), nullptr));
    xcb_window_t owner = reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
    if (owner != XCB_WINDOW_NONE && !HearOf(connection_, owner, XCB_EVENT_MASK_STRUCTURE_NOTIFY))
        owner = XCB_WINDOW_NONE; // ended as it was asked
    const bool wasThere = TrayThere();
    owner_ = owner;
    if (TrayThere() != wasThere)
        emit changed();
}

} // namespace vireo
