#pragma once

// Small factories for the mixer panels: every control named, placed on the design grid of
// the panels (96 dpi pixels, relative to the panel) and given its hint. `spoken` is what
// assistive tools call the control: what it sets, where its caption alone would not say.

#include <QString>

class QFrame;
class QLabel;
class QWidget;

namespace vireo {

class TCheckBox;
class TComboBox;
class TSpinEdit;
class TTrackBar;

namespace panel {

// Rows of level controls: label, slider and field stacked in one column.
inline constexpr int kRowLabelTop = 24;
inline constexpr int kTrackBarTop = 41;
inline constexpr int kSpinEditTop = 151;
inline constexpr int kCheckBoxTop = 184;
inline constexpr int kPanelHeight = 209;

QFrame* MakePanel(QWidget* parent, const char* name, int left, int top, int width);
// Centred heading across the top of the panel.
QLabel* MakeHeading(QFrame* panel, const char* name, const QString& text);
QLabel* MakeLabel(QWidget* panel, const char* name, const QString& text, int left, int top);
TTrackBar* MakeTrackBar(QWidget* panel, const char* name, int left, const QString& spoken,
                        const QString& hint);
// Shows 127, the level of a slider at position 0.
TSpinEdit* MakeSpinEdit(QWidget* panel, const char* name, int left, const QString& spoken,
                        const QString& hint);
TCheckBox* MakeCheckBox(QWidget* panel, const char* name, const QString& caption, int left,
                        int width, const QString& spoken, const QString& hint);
TComboBox* MakeComboBox(QWidget* panel, const char* name, int top, const QString& spoken,
                        const QString& hint);

} // namespace panel
} // namespace vireo
