// Every caption of every window fits the room its control gives it, with the fonts the desktop
// has. The test program runs once per font family and screen scale (see CMakeLists.txt), told
// by VIREO_TEXT_FIT: "<scale> <family>", no family for the desktop's own default.

#include "controls/LayoutFont.h"
#include "shell/WindowsUnderTest.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <gtest/gtest.h>
#include <vector>

namespace vireo {
namespace {

// The family of this run, empty for the desktop's default.
QString& FitFamily() {
    static QString family;
    return family;
}

// Before Qt starts: the screen scale, and fontconfig told to prefer the family to any other.
const bool kEnvironmentSet = [] {
    const QString run = qEnvironmentVariable("VIREO_TEXT_FIT");
    const qsizetype blank = run.indexOf(QChar(' '));
    if (blank < 0)
        return false;
    qputenv("QT_SCALE_FACTOR", run.left(blank).toUtf8());
    FitFamily() = run.mid(blank + 1);
    if (!FitFamily().isEmpty()) {
        const QString tag = QString(FitFamily()).remove(QChar(' '));
        qputenv("FONTCONFIG_FILE",
                QStringLiteral(VIREO_FONTS_CONF_DIR "/fonts-%1.conf").arg(tag).toUtf8());
    }
    return true;
}();

// One piece of text and the room its control draws it in, in the control's coordinates.
struct Caption {
    QString text;
    QSize need;
    QRect room;
};

QSize TextSize(const QWidget* widget, const QString& text, bool mnemonic) {
    return QFontMetrics(widget->font()).size(mnemonic ? Qt::TextShowMnemonic : 0, text);
}

// QLabel draws inside its contents, less its margin and, for a framed label, half an "x"
// on the side it aligns to.
std::vector<Caption> LabelCaptions(const QLabel* label) {
    if (label->text().isEmpty() || label->pixmap().cacheKey() != 0)
        return {};
    const int margin = label->margin();
    QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    int indent = label->indent();
    if (indent < 0 && label->frameWidth() > 0)
        indent = label->fontMetrics().horizontalAdvance(QChar('x')) / 2 - margin;
    if (indent > 0) {
        const Qt::Alignment align = label->alignment();
        if (align & Qt::AlignLeft)
            room.setLeft(room.left() + indent);
        if (align & Qt::AlignRight)
            room.setRight(room.right() - indent);
        if (align & Qt::AlignTop)
            room.setTop(room.top() + indent);
        if (align & Qt::AlignBottom)
            room.setBottom(room.bottom() - indent);
    }
    return {{label->text(), TextSize(label, label->text(), label->buddy() != nullptr), room}};
}

std::vector<Caption> ButtonCaptions(const QAbstractButton* button) {
    if (button->text().isEmpty())
        return {};
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.iconSize = button->iconSize();
    QStyle::SubElement element = QStyle::SE_CheckBoxContents;
    if (const auto* push = qobject_cast<const QPushButton*>(button)) {
        element = QStyle::SE_PushButtonContents;
        if (push->autoDefault() || push->isDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        if (push->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
    } else if (!qobject_cast<const QCheckBox*>(button)) {
        return {};
    }
    const QRect room = button->style()->subElementRect(element, &option, button);
    return {{button->text(), TextSize(button, button->text(), true), room}};
}

// A drop-down list draws its item in the edit field, one pixel in from each side.
std::vector<Caption> ComboCaptions(const QComboBox* combo) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    option.subControls = QStyle::SC_All;
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    std::vector<Caption> captions;
    for (int i = 0; i < combo->count(); ++i) {
        const QString text = combo->itemText(i);
        captions.push_back({text, TextSize(combo, text, false), field.adjusted(1, 0, -1, 0)});
    }
    return captions;
}

// A line edit draws inside its frame and text margins, two pixels in on either side; one that
// takes only a few characters must show as many digits.
std::vector<Caption> LineEditCaptions(const QLineEdit* edit) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    option.state |= QStyle::State_Sunken;
    QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    room = room.marginsRemoved(edit->textMargins()).adjusted(2, 0, -2, 0);
    std::vector<Caption> captions;
    if (!edit->text().isEmpty())
        captions.push_back({edit->text(), TextSize(edit, edit->text(), false), room});
    if (edit->maxLength() <= 8) {
        const QString widest(edit->maxLength(), QChar('0'));
        captions.push_back({widest, TextSize(edit, widest, false), room});
    }
    return captions;
}

std::vector<Caption> CaptionsOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return LabelCaptions(label);
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return ButtonCaptions(button);
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return ComboCaptions(combo);
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return LineEditCaptions(edit);
    return {};
}

QString Describe(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString NameOf(const QWidget* widget) {
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

// Every shown control of `window`: its captions fit their room, and the control lies inside
// its parent, so that a box that grew is not cut off by the panel or window around it.
void ExpectEveryCaptionFits(const QWidget& window) {
    ASSERT_GT(window.findChildren<QWidget*>().size(), 0);
    int checked = 0;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window) || widget->isWindow())
            continue;
        const std::vector<Caption> captions = CaptionsOf(widget);
        for (const Caption& caption : captions) {
            ++checked;
            EXPECT_LE(caption.need.width(), caption.room.width())
                << NameOf(widget).toStdString() << ": \"" << caption.text.toStdString() << "\" is "
                << caption.need.width() << " wide in "
                << QFontInfo(widget->font()).family().toStdString() << " "
                << widget->font().pixelSize() << "px; its room is "
                << Describe(caption.room).toStdString();
            EXPECT_LE(caption.need.height(), caption.room.height())
                << NameOf(widget).toStdString() << ": \"" << caption.text.toStdString() << "\" is "
                << caption.need.height() << " high; its room is "
                << Describe(caption.room).toStdString();
        }
        if (!captions.empty() && widget->parentWidget() != nullptr) {
            EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
                << NameOf(widget).toStdString() << " at "
                << Describe(widget->geometry()).toStdString() << " reaches out of "
                << NameOf(widget->parentWidget()).toStdString() << " "
                << Describe(widget->parentWidget()->rect()).toStdString();
        }
    }
    EXPECT_GT(checked, 0) << "no caption found in " << NameOf(&window).toStdString();
}

// The scale and the family the test program runs for are those the window is drawn with.
void ExpectRunSettings(const QWidget& window) {
    ASSERT_TRUE(kEnvironmentSet) << "VIREO_TEXT_FIT is not set";
    EXPECT_EQ(window.devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    EXPECT_EQ(window.font(), LayoutFont()) << "every window is drawn in the one layout font";
    const QString& family = FitFamily();
    if (family.isEmpty())
        return;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!CaptionsOf(widget).empty()) {
            EXPECT_EQ(QFontInfo(widget->font()).family(), family) << NameOf(widget).toStdString();
        }
    }
}

using test::Window;

// Each window as the program builds it, with a simulated service and private hives.
class WindowTextFit : public testing::TestWithParam<Window> {
protected:
    QWidget& Build() { return windows.Build(GetParam()); }

    test::WindowsUnderTest windows;
};

TEST_P(WindowTextFit, EveryCaptionFitsItsControl) {
    const QWidget& window = Build();
    ExpectRunSettings(window);
    ExpectEveryCaptionFits(window);
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowTextFit, testing::ValuesIn(test::kEveryWindow),
                         [](const testing::TestParamInfo<Window>& info) {
                             return test::WindowName(info.param);
                         });

} // namespace
} // namespace vireo
