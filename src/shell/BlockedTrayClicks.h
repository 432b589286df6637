#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>

class QObject;

namespace vireo {

// While a modal dialog is open, the toolkit keeps mouse input from every other window of the
// program, the tray icon's embedded window (X11 system tray) among them. This filter still
// reports a left press on that window, so that a click on the icon can bring the dialog forward.
class BlockedTrayClicks : public QAbstractNativeEventFilter {
public:
    // `clicked` runs from the event loop, after the press has been handled, while `context`
    // lives.
    BlockedTrayClicks(QObject* context, std::function<void()> clicked);
    ~BlockedTrayClicks() override;
    BlockedTrayClicks(const BlockedTrayClicks&) = delete;
    BlockedTrayClicks& operator=(const BlockedTrayClicks&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QObject* context_;
    std::function<void()> clicked_;
};

} // namespace vireo
