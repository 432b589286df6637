#pragma once

#include <QFont>
#include <QSize>

class QWidget;

namespace vireo {

// The font of every window: the 11 pixel sans serif its 96-dpi layout was drawn for. The
// usual stand-ins for it run wider, so they get one pixel less. Chosen on the first call.
const QFont& LayoutFont();

// Grows a label, check box, button or drop-down list to the right and down, keeping its left and
// top, until its caption fits the fonts at hand; a control whose caption fits keeps its size.
void GrowToFitCaption(QWidget* control);

// GrowToFitCaption for every control inside `container`.
void FitCaptions(QWidget* container);

// Grows `container` so that each of its children lies inside it with at least `margin` to
// spare on the right and at the bottom; a fixed-size window stays fixed at its new size.
void GrowToHoldChildren(QWidget* container, QSize margin);

} // namespace vireo
