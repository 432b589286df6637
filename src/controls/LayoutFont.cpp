#include "controls/LayoutFont.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

namespace vireo {
namespace {

QFont ChooseLayoutFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    if (!QFontInfo(font).exactMatch())
        font.setPixelSize(10);
    return font;
}

// How much wider and higher a button's caption is than the room its style leaves for it.
QSize ButtonShortfall(const QAbstractButton* button, QStyle::SubElement contents) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (const auto* push = qobject_cast<const QPushButton*>(button)) {
        if (push->autoDefault() || push->isDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        if (push->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
    }
    const QRect room = button->style()->subElementRect(contents, &option, button);
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    return text - room.size();
}

// A drop-down list draws its item in the edit field, one pixel in from either side.
QSize ComboShortfall(const QComboBox* combo) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    option.subControls = QStyle::SC_All;
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    QSize widest;
    for (int i = 0; i < combo->count(); ++i)
        widest = widest.expandedTo(combo->fontMetrics().size(0, combo->itemText(i)));
    return widest + QSize(2, 0) - field.size();
}

// QLabel draws inside its contents, less its margin and, for a framed label, half an "x" on
// the side it aligns to.
QSize LabelShortfall(const QLabel* label) {
    if (label->text().isEmpty() || label->pixmap().cacheKey() != 0)
        return {};
    const int margin = label->margin();
    QSize room = label->contentsRect().size() - QSize(2 * margin, 2 * margin);
    int indent = label->indent();
    if (indent < 0 && label->frameWidth() > 0)
        indent = label->fontMetrics().horizontalAdvance(QChar('x')) / 2 - margin;
    const Qt::Alignment align = label->alignment();
    if (indent > 0 && (align & (Qt::AlignLeft | Qt::AlignRight)))
        room.rwidth() -= indent;
    if (indent > 0 && (align & (Qt::AlignTop | Qt::AlignBottom)))
        room.rheight() -= indent;
    const int flags = label->buddy() != nullptr ? Qt::TextShowMnemonic : 0;
    return label->fontMetrics().size(flags, label->text()) - room;
}

QSize Shortfall(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return LabelShortfall(label);
    if (const auto* box = qobject_cast<const QCheckBox*>(control))
        return ButtonShortfall(box, QStyle::SE_CheckBoxContents);
    if (const auto* button = qobject_cast<const QPushButton*>(control))
        return ButtonShortfall(button, QStyle::SE_PushButtonContents);
    if (const auto* combo = qobject_cast<const QComboBox*>(control))
        return ComboShortfall(combo);
    return {};
}

} // namespace

const QFont& LayoutFont() {
    static const QFont font = ChooseLayoutFont();
    return font;
}

void GrowToFitCaption(QWidget* control) {
    const QSize shortfall = Shortfall(control);
    const QSize grown(control->width() + std::max(0, shortfall.width()),
                      control->height() + std::max(0, shortfall.height()));
    if (grown != control->size())
        control->resize(grown);
}

void FitCaptions(QWidget* container) {
    for (QWidget* control : container->findChildren<QWidget*>())
        GrowToFitCaption(control);
}

void GrowToHoldChildren(QWidget* container, QSize margin) {
    QSize needed = container->size();
    for (const QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            continue;
        needed = needed.expandedTo(QSize(child->geometry().right() + 1 + margin.width(),
                                         child->geometry().bottom() + 1 + margin.height()));
    }
    if (needed == container->size())
        return;
    if (container->minimumSize() == container->maximumSize())
        container->setFixedSize(needed);
    else
        container->resize(needed);
}

} // namespace vireo
