#include "controls/TCheckBox.h"

namespace vireo {

TCheckBox::TCheckBox(const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent) {
    connect(this, &QCheckBox::toggled, this, &TCheckBox::changed);
}

} // namespace vireo
