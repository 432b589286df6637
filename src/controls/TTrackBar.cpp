#include "controls/TTrackBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

namespace vireo {
namespace {

bool IsMovementKey(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

} // namespace

TTrackBar::TTrackBar(QWidget* parent)
    : QSlider(Qt::Vertical, parent) {
    setRange(0, kMax);
    setSingleStep(1);
    setPageStep(kPage);
    setTickPosition(QSlider::TicksBothSides);
    setTickInterval(kPage);
    setValue(kMax); // position 0, at the top
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractSlider::actionTriggered, this, &TTrackBar::onAction);
}

// Assistive tools still hear the new value: QAbstractSlider announces it, signals or not.
void TTrackBar::SetPosition(int position) {
    const QSignalBlocker quiet(this);
    setValue(kMax - std::clamp(position, 0, kMax));
}

void TTrackBar::keyPressEvent(QKeyEvent* event) {
    // Home and End go to positions 0 and 127, the top and the bottom.
    if (event->key() == Qt::Key_Home || event->key() == Qt::Key_End) {
        triggerAction(event->key() == Qt::Key_Home ? SliderToMaximum : SliderToMinimum);
        event->accept();
        return;
    }
    QSlider::keyPressEvent(event);
}

void TTrackBar::onAction(int action) {
    if (action == QAbstractSlider::SliderNoAction)
        return;
    // The slider applies the new position only after this signal; apply it now so that the
    // handler reads where the user moved to.
    {
        const QSignalBlocker quiet(this);
        setValue(sliderPosition());
    }
    emit changed();
}

void TTrackBar::keyReleaseEvent(QKeyEvent* event) {
    QSlider::keyReleaseEvent(event);
    if (IsMovementKey(event->key()) && !event->isAutoRepeat())
        emit changed(); // end of movement
}

void TTrackBar::mousePressEvent(QMouseEvent* event) {
    mouseDown_ = event->button() == Qt::LeftButton;
    QSlider::mousePressEvent(event);
}

void TTrackBar::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    if (mouseDown_ && event->button() == Qt::LeftButton) {
        mouseDown_ = false;
        emit changed(); // end of movement
    }
}

} // namespace vireo
