#include "controls/TComboBox.h"

#include "controls/Accessibility.h"

namespace vireo {

TComboBox::TComboBox(QWidget* parent)
    : QComboBox(parent) {
    setEditable(false);
    setFocusPolicy(Qt::StrongFocus);
    InstallControlsAccessibility();
    connect(this, &QComboBox::activated, this, &TComboBox::changed);
}

void TComboBox::AddItem(std::string_view text) {
    addItem(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

} // namespace vireo
