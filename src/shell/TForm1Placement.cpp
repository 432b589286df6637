// Where the main window stands: "PosX"/"PosY" hold the outer (frame) top-left, restored as the
// same outer top-left, so the window never creeps by its frame from one start to the next.
#include "persistence/PreferencesStore.h"
#include "shell/TForm1.h"

#include <QApplication>
#include <QMoveEvent>
#include <QScreen>
#include <cstdint>
#include <optional>

namespace vireo {
namespace {

constexpr int kForgottenPosition = -5000;

// The stored value, or nothing when the preference is missing.
std::optional<std::int32_t> StoredInteger(PreferencesStore& store, const char* name) {
    const std::int32_t first = store.ReadRegInteger(SettingsKey, name, 0);
    if (first != 0 || store.ReadRegInteger(SettingsKey, name, 1) == 0)
        return first;
    return std::nullopt;
}

QRect PrimaryScreenGeometry() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry() : QRect(0, 0, 0, 0);
}

} // namespace

// Before the window exists on screen its position is taken as the frame's top-left (the window
// manager places the frame there); once shown, move() and pos() are the frame's top-left too.
void TForm1::PlaceWindow() {
    const QRect screen = PrimaryScreenGeometry();
    const std::optional<std::int32_t> left = StoredInteger(store_, "PosX");
    const std::optional<std::int32_t> top = StoredInteger(store_, "PosY");
    centring_ = {!left.has_value(), !top.has_value(), screen, size()};
    move(left.value_or((screen.width() - width()) / 2),
         top.value_or((screen.height() - height()) / 2));
}

void TForm1::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    CentreOnFrame();
}

// The frame's size is known once a window manager has framed the window: a default position is
// then centred again on the outer size the window had when it was first centred.
std::optional<QPoint> TForm1::CentredOnFrame() const {
    if (!centring_.left && !centring_.top)
        return std::nullopt;
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isNull())
        return std::nullopt;
    const QSize outer = centring_.size + frame;
    QPoint target = pos();
    if (centring_.left)
        target.setX((centring_.screen.width() - outer.width()) / 2);
    if (centring_.top)
        target.setY((centring_.screen.height() - outer.height()) / 2);
    return target;
}

// Moving a minimised window would show it: the move waits for the restore.
void TForm1::CentreOnFrame() {
    const std::optional<QPoint> target = CentredOnFrame();
    if (!target || isMinimized())
        return;
    centring_.left = centring_.top = false;
    move(*target);
}

void TForm1::SavePosition() {
    const QPoint outer = CentredOnFrame().value_or(pos());
    if (outer.x() == kForgottenPosition)
        return;
    store_.WriteRegInteger(SettingsKey, "PosX", outer.x());
    store_.WriteRegInteger(SettingsKey, "PosY", outer.y());
}

void TForm1::setVisible(bool visible) {
    if (visible && startMinimized_) {
        startMinimized_ = false;
        setWindowState(windowState() | Qt::WindowMinimized);
    }
    QMainWindow::setVisible(visible);
}

void TForm1::UseTrayIcon() {
    options_.isNtBelow4 = false;
    QApplication::setQuitOnLastWindowClosed(false);
}

// A hidden window could not be reached any more: it comes back as it was left, with the
// device and the refresh that closing it to the tray had stopped.
void TForm1::UseNoTray() {
    const bool wasHidden = !isVisible();
    options_.isNtBelow4 = true;
    QApplication::setQuitOnLastWindowClosed(true);
    if (!windowFlags().testFlag(Qt::WindowMinimizeButtonHint))
        setWindowFlag(Qt::WindowMinimizeButtonHint); // hides the window
    if (!isVisible())
        show();
    if (wasHidden)
        ResumeShownWindow();
}

} // namespace vireo
