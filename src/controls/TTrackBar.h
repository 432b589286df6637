#pragma once

#include <QSlider>

namespace vireo {

// Vertical level slider, 0..127 with position 0 at the top, page 13, ticks every 13 on both
// sides. `changed` runs for every movement notification from the user (keys, wheel, track
// clicks, dragging) and once more at the end of each movement (key or mouse button released),
// even when the position did not change. A position set by the program runs nothing.
//
// Underneath, QSlider's value runs the other way (kMax at the top), so that the style fills the
// groove from the bottom up to the handle and assistive tools read a value that rises with the
// level.
class TTrackBar : public QSlider {
    Q_OBJECT
public:
    static constexpr int kMax = 127;
    static constexpr int kPage = 13;

    explicit TTrackBar(QWidget* parent = nullptr);

    int Position() const { return kMax - value(); }
    // Clamped to 0..127; emits nothing.
    void SetPosition(int position);

signals:
    void changed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void onAction(int action);

    bool mouseDown_ = false;
};

} // namespace vireo
