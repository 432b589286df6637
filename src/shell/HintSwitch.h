#pragma once

#include <QObject>

class QApplication;

namespace vireo {

// Switches the tool tips (hints) of the whole program on and off.
class HintSwitch : public QObject {
    Q_OBJECT
public:
    // The one switch of the application, installed on first use.
    static HintSwitch& Install(QApplication& app);

    bool HintsShown() const { return shown_; }
    void SetHintsShown(bool shown) { shown_ = shown; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;

    bool shown_ = true;
};

} // namespace vireo
