#pragma once

#include <QEvent>
#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

class QMenu;

namespace vireo {

class BlockedTrayClicks;

// One icon in the desktop's notification area, and the mouse actions on it as events. Knows
// nothing of the mixer.
class TTrayIcon : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TTrayIcon* sender)>;
    using TMouseEvent = std::function<void(TTrayIcon* sender, Qt::MouseButton button,
                                           Qt::KeyboardModifiers shift, int x, int y)>;

    // Posted to the icon itself after an add without a tip: applies the tip once more.
    static constexpr QEvent::Type WM_TRAYRETIP = static_cast<QEvent::Type>(QEvent::User + 1026);
    static constexpr int MaxToolTipLength = 62;

    explicit TTrayIcon(QObject* owner = nullptr);
    ~TTrayIcon() override;

    bool Active() const { return active_; }
    void SetActive(bool value);
    // There is no form designer at run time: always false, and setting it does nothing.
    bool ShowDesigning() const { return false; }
    void SetShowDesigning(bool) {}
    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& value);
    const QString& ToolTip() const { return toolTip_; }
    void SetToolTip(const QString& value);
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnRightClick;

    // A mouse action reported by the notification area.
    void TrayNotify(QSystemTrayIcon::ActivationReason reason);

    // The platform icon this component drives.
    const QSystemTrayIcon& NotifyIcon() const { return *notifyIcon_; }

protected:
    bool event(QEvent* event) override;

private:
    bool Add();
    bool Modify();
    bool Delete();
    void FillRecord();
    void RightClick();

    QSystemTrayIcon* notifyIcon_;
    QMenu* popupMenu_ = nullptr;
    QIcon icon_;
    QString toolTip_;
    bool active_ = false;
    // A click on the icon while a modal dialog blocks the program's windows.
    std::unique_ptr<BlockedTrayClicks> blockedClicks_;
};

// `text` cut to its first 62 characters, never inside a surrogate pair.
QString CutToolTip(const QString& text);

} // namespace vireo
