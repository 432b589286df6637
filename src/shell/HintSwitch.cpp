#include "shell/HintSwitch.h"

#include <QApplication>
#include <QEvent>

namespace vireo {

HintSwitch& HintSwitch::Install(QApplication& app) {
    auto* existing = app.findChild<HintSwitch*>(QString(), Qt::FindDirectChildrenOnly);
    if (existing != nullptr)
        return *existing;
    auto* hints = new HintSwitch(&app);
    app.installEventFilter(hints);
    return *hints;
}

bool HintSwitch::eventFilter(QObject* watched, QEvent* event) {
    if (!shown_ && event->type() == QEvent::ToolTip)
        return true;
    return QObject::eventFilter(watched, event);
}

} // namespace vireo
