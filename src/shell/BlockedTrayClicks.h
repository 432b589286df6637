#pragma once

#include <QAbstractNativeEventFilter>
#include <QRect>
#include <cstdint>
#include <functional>

class QObject;

namespace vireo {

// While a modal dialog is open, the toolkit keeps mouse input from every other window of the
// program, the tray icon's embedded window (X11 system tray) among them. This filter still
// reports a left press on the icon, so that a click on it can bring the dialog forward. It
// works on X11 only and does nothing elsewhere.
class BlockedTrayClicks : public QAbstractNativeEventFilter {
public:
    // `iconArea` is where the icon is on the screen (the toolkit's geometry of the tray icon);
    // `clicked` runs from the event loop, after the press has been handled, while `context`
    // lives.
    BlockedTrayClicks(QObject* context, std::function<QRect()> iconArea,
                      std::function<void()> clicked);
    ~BlockedTrayClicks() override;
    BlockedTrayClicks(const BlockedTrayClicks&) = delete;
    BlockedTrayClicks& operator=(const BlockedTrayClicks&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool OnIcon(QPointF rootPosition) const;

    QObject* context_;
    std::function<QRect()> iconArea_;
    std::function<void()> clicked_;
    bool installed_ = false;
    // The X input extension's major opcode on the toolkit's connection, 0 without it.
    std::uint8_t inputOpcode_ = 0;
};

} // namespace vireo
