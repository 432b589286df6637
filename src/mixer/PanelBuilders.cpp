#include "mixer/PanelBuilders.h"

#include "controls/Accessibility.h"
#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "controls/TSpinEdit.h"
#include "controls/TTrackBar.h"

#include <QFrame>
#include <QLabel>

namespace vireo::panel {
namespace {

constexpr int kLabelWidth = 45;
constexpr int kLabelHeight = 13;
constexpr int kTrackBarWidth = 40;
constexpr int kTrackBarHeight = 104;
constexpr int kSpinEditWidth = 43;
constexpr int kSpinEditHeight = 22;
constexpr int kCheckBoxHeight = 17;
constexpr int kComboLeft = 8;
constexpr int kComboWidth = 109;
constexpr int kComboHeight = 21;

template <typename W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

QFrame* MakePanel(QWidget* parent, const char* name, int left, int top, int width) {
    auto* panel = Named(new QFrame(parent), name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setGeometry(left, top, width, kPanelHeight);
    return panel;
}

QLabel* MakeHeading(QFrame* panel, const char* name, const QString& text) {
    auto* label = Named(new QLabel(text, panel), name);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(1, 3, panel->width() - 2, kLabelHeight);
    return label;
}

QLabel* MakeLabel(QWidget* panel, const char* name, const QString& text, int left, int top) {
    auto* label = Named(new QLabel(text, panel), name);
    label->setGeometry(left, top, kLabelWidth, kLabelHeight);
    return label;
}

TTrackBar* MakeTrackBar(QWidget* panel, const char* name, int left, const QString& spoken,
                        const QString& hint) {
    auto* bar = Named(new TTrackBar(panel), name);
    bar->setGeometry(left, kTrackBarTop, kTrackBarWidth, kTrackBarHeight);
    Describe(bar, spoken, hint);
    return bar;
}

TSpinEdit* MakeSpinEdit(QWidget* panel, const char* name, int left, const QString& spoken,
                        const QString& hint) {
    auto* edit = Named(new TSpinEdit(panel), name);
    edit->setGeometry(left, kSpinEditTop, kSpinEditWidth, kSpinEditHeight);
    Describe(edit, spoken, hint);
    edit->SetValue(TSpinEdit::kMax);
    return edit;
}

TCheckBox* MakeCheckBox(QWidget* panel, const char* name, const QString& caption, int left,
                        int width, const QString& spoken, const QString& hint) {
    auto* box = Named(new TCheckBox(caption, panel), name);
    box->setGeometry(left, kCheckBoxTop, width, kCheckBoxHeight);
    Describe(box, spoken, hint);
    return box;
}

TComboBox* MakeComboBox(QWidget* panel, const char* name, int top, const QString& spoken,
                        const QString& hint) {
    auto* box = Named(new TComboBox(panel), name);
    box->setGeometry(kComboLeft, top, kComboWidth, kComboHeight);
    Describe(box, spoken, hint);
    return box;
}

} // namespace vireo::panel
