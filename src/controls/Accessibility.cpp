#include "controls/Accessibility.h"

#include "controls/TComboBox.h"
#include "controls/TSpinEdit.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>

namespace vireo {
namespace {

// "&Periodic Refresh Delay:" reads "Periodic Refresh Delay"; "&&" stays one "&".
QString SpokenCaption(const QString& caption) {
    QString spoken;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QChar('&') && i + 1 < caption.size())
            ++i;
        spoken += caption[i];
    }
    spoken = spoken.trimmed();
    if (spoken.endsWith(QChar(':')))
        spoken.chop(1);
    return spoken.trimmed();
}

class SpinEditAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SpinEditAccessible(TSpinEdit* spin)
        : QAccessibleWidget(spin, QAccessible::SpinBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(spin()->Edit()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child->object() == spin()->Edit() ? 0 : -1;
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? spin()->Text() : QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return spin()->Value(); }
    void setCurrentValue(const QVariant& value) override { spin()->SetValue(value.toInt()); }
    QVariant maximumValue() const override { return TSpinEdit::kMax; }
    QVariant minimumValue() const override { return TSpinEdit::kMin; }
    QVariant minimumStepSize() const override { return 1; }

private:
    TSpinEdit* spin() const { return static_cast<TSpinEdit*>(widget()); }
};

// Qt names a drop-down list on Linux after its current item; this one is named for what it
// chooses, and the item is its value. The pop-up list is its one part, as with Qt's own.
class ComboBoxAccessible : public QAccessibleWidget {
public:
    explicit ComboBoxAccessible(TComboBox* list)
        : QAccessibleWidget(list, QAccessible::ComboBox) {}

    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child->object() == list()->view() ? 0 : -1;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return list()->currentText();
        const QString text = QAccessibleWidget::text(t);
        return t == QAccessible::Name && text.isEmpty() ? list()->currentText() : text;
    }

    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction() << pressAction();
    }
    void doAction(const QString& action) override {
        if (action != showMenuAction() && action != pressAction())
            return QAccessibleWidget::doAction(action);
        if (list()->view()->isVisible())
            list()->hidePopup();
        else
            list()->showPopup();
    }

private:
    TComboBox* list() const { return static_cast<TComboBox*>(widget()); }
};

QAccessibleInterface* ControlsFactory(const QString&, QObject* object) {
    if (auto* spin = qobject_cast<TSpinEdit*>(object))
        return new SpinEditAccessible(spin);
    if (auto* list = qobject_cast<TComboBox*>(object))
        return new ComboBoxAccessible(list);
    return nullptr;
}

} // namespace

void Describe(QWidget* control, const QString& name, const QString& hint) {
    control->setToolTip(hint);
    control->setAccessibleDescription(hint);
    if (!name.isEmpty())
        control->setAccessibleName(name);
    if (auto* spin = qobject_cast<TSpinEdit*>(control)) {
        // The text field is where the focus goes: it says the same.
        spin->Edit()->setAccessibleName(spin->accessibleName());
        spin->Edit()->setAccessibleDescription(hint);
    }
}

void NameAfterCaption(const QLabel* label) {
    if (label->buddy() != nullptr)
        label->buddy()->setAccessibleName(SpokenCaption(label->text()));
}

void AnnounceValue(QObject* control, int value) {
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(control, value);
    QAccessible::updateAccessibility(&event);
}

void InstallControlsAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&ControlsFactory);
        return true;
    }();
    (void)installed;
}

} // namespace vireo
