#include "shell/TTrayIcon.h"

#include "shell/BlockedTrayClicks.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>

namespace vireo {

QString CutToolTip(const QString& text) {
    if (text.size() <= TTrayIcon::MaxToolTipLength)
        return text;
    qsizetype length = TTrayIcon::MaxToolTipLength;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

TTrayIcon::TTrayIcon(QObject* owner)
    : QObject(owner)
    , notifyIcon_(new QSystemTrayIcon(this))
    , blockedClicks_(std::make_unique<BlockedTrayClicks>(
          this, [this] { return notifyIcon_->geometry(); },
          [this] { TrayNotify(QSystemTrayIcon::Trigger); })) {
    connect(notifyIcon_, &QSystemTrayIcon::activated, this, &TTrayIcon::TrayNotify);
}

TTrayIcon::~TTrayIcon() {
    if (active_)
        Delete();
}

void TTrayIcon::SetActive(bool value) {
    if (value == active_)
        return;
    active_ = value;
    if (value)
        Add();
    else
        Delete();
}

void TTrayIcon::SetIcon(const QIcon& value) {
    icon_ = value;
    Modify();
}

void TTrayIcon::SetToolTip(const QString& value) {
    toolTip_ = CutToolTip(value);
    Modify();
}

void TTrayIcon::SetPopupMenu(QMenu* menu) {
    popupMenu_ = menu;
    // The desktop shows the menu itself at the cursor, the way its other icons do.
    notifyIcon_->setContextMenu(menu);
}

void TTrayIcon::TrayNotify(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        if (OnClick)
            OnClick(this);
        break;
    case QSystemTrayIcon::DoubleClick:
        // The toolkit reports the second press of a double click only as the double click;
        // its release is a click of its own, as every release of the left button is.
        if (OnDblClick)
            OnDblClick(this);
        if (OnClick)
            OnClick(this);
        break;
    case QSystemTrayIcon::Context:
        RightClick();
        break;
    default:
        break;
    }
}

bool TTrayIcon::event(QEvent* event) {
    if (event->type() != WM_TRAYRETIP)
        return QObject::event(event);
    SetToolTip(toolTip_);
    return true;
}

bool TTrayIcon::Add() {
    FillRecord();
    notifyIcon_->show();
    if (toolTip_.isEmpty())
        QCoreApplication::postEvent(this, new QEvent(WM_TRAYRETIP));
    return notifyIcon_->isVisible();
}

bool TTrayIcon::Modify() {
    if (!active_)
        return true;
    FillRecord();
    return true;
}

bool TTrayIcon::Delete() {
    notifyIcon_->hide();
    return !notifyIcon_->isVisible();
}

void TTrayIcon::FillRecord() {
    notifyIcon_->setIcon(icon_);
    notifyIcon_->setToolTip(toolTip_);
}

// The menu, when there is one, is already up: the notification area opens it itself.
void TTrayIcon::RightClick() {
    const QPoint cursor = QCursor::pos();
    if (OnRightClick)
        OnRightClick(this, Qt::RightButton, Qt::NoModifier, cursor.x(), cursor.y());
}

} // namespace vireo
