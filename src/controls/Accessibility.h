#pragma once

#include <QString>

class QLabel;
class QObject;
class QWidget;

namespace vireo {

// What a screen reader says about `control`: `name` (what the control sets; empty keeps the
// name Qt gives it, such as a button's caption) and its hint, which is also its tool tip.
// The description stays when hints are switched off: only the tool tips are held back.
void Describe(QWidget* control, const QString& name, const QString& hint);

// Names the label's buddy after the label's caption, without its accelerator and colon:
// lists and fields read their name from their own text otherwise.
void NameAfterCaption(const QLabel* label);

// Tells assistive tools that `control` now shows `value`.
void AnnounceValue(QObject* control, int value);

// How assistive tools see the controls, installed once. A numeric field (TSpinEdit) is a spin
// box with a value and its text field as its only part; the arrows stay out, the Up and Down
// keys do what they do. A drop-down list (TComboBox) is named for what it chooses, not after
// its current item.
void InstallControlsAccessibility();

} // namespace vireo
