#pragma once

#include <QCheckBox>

namespace vireo {

// Check box whose `changed` runs on every change of its state, by the user or the program.
// Setting the state it already has runs nothing.
class TCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TCheckBox(const QString& caption, QWidget* parent = nullptr);

    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }

signals:
    void changed();
};

} // namespace vireo
