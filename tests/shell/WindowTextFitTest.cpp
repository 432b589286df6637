// Every caption of every window fits the room its control gives it, with the fonts the desktop
// has. The test program runs once per font family and screen scale (see CMakeLists.txt), told
// by VIREO_TEXT_FIT: "<scale> <family>", no family for the desktop's own default. However the
// captions grow, every control keeps a name of its own for assistive tools and Tab goes
// through the controls in reading order.

#include "controls/LayoutFont.h"
#include "controls/TSpinEdit.h"
#include "dialogs/TAboutBox1.h"
#include "dialogs/TFormMessage.h"
#include "dialogs/TFormSetup.h"
#include "midi/SimulatedMidiService.h"
#include "midi/TMidiOutput.h"
#include "mixer/MixerPanels.h"
#include "persistence/PreferencesStore.h"
#include "shell/MainWindowFixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <memory>
#include <ostream>
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

enum class Window { MainFolded, MainUnfolded, Preferences, LockWarning, About };

std::string WindowName(Window window) {
    switch (window) {
    case Window::MainFolded:
        return "MainWindowFolded";
    case Window::MainUnfolded:
        return "MainWindowUnfolded";
    case Window::Preferences:
        return "Preferences";
    case Window::LockWarning:
        return "LockWarning";
    case Window::About:
        return "About";
    }
    return "Unknown";
}

void PrintTo(Window window, std::ostream* out) {
    *out << WindowName(window);
}

// Each window as the program builds it, with a simulated service and private hives.
class WindowTextFit : public testing::TestWithParam<Window> {
protected:
    // Shown, so that every control has its final geometry.
    QWidget& Build() {
        QWidget& window = BuildHidden();
        window.show();
        return window;
    }

    QWidget& BuildHidden() {
        switch (GetParam()) {
        case Window::MainFolded:
        case Window::MainUnfolded:
            return BuildMainWindow(GetParam() == Window::MainUnfolded);
        case Window::Preferences:
            return Keep(
                std::make_unique<TFormSetup>(TFormSetup::Context{.port = port,
                                                                 .store = store,
                                                                 .timer = timer,
                                                                 .closeDeviceWhenMinimized = false,
                                                                 .hintsShown = {},
                                                                 .setHintsShown = {},
                                                                 .showError = {}}));
        case Window::LockWarning:
            return Keep(std::make_unique<TFormMessage>(store));
        case Window::About:
            // 64 GiB: a long figure.
            return Keep(std::make_unique<TAboutBox1>(std::uint64_t{64} << 30, nullptr));
        }
        throw std::logic_error("unknown window");
    }

    QWidget& BuildMainWindow(bool unfolded) {
        main.store.WriteRegInteger(SettingsKey, "No Warning", 1); // no modal warning on show
        TForm1& form = main.Create();
        const bool shown = form.Mixer->Panel3->isVisibleTo(&form);
        if (shown != unfolded)
            form.MIDIButtonClick();
        EXPECT_EQ(form.Mixer->Panel3->isVisibleTo(&form), unfolded);
        return form;
    }

    QWidget& Keep(std::unique_ptr<QWidget> window) {
        dialog = std::move(window);
        return *dialog;
    }

    test::MainWindowFixture main;
    QTemporaryDir hiveFolder;
    PreferencesStore store{HivePaths{hiveFolder.filePath("user.reg"),
                                     hiveFolder.filePath("machine.reg"),
                                     hiveFolder.filePath("overlay.reg")}};
    SimulatedMidiService service{{"Synth A", "Synth B"}};
    TMidiOutput port{service};
    QTimer timer;
    std::unique_ptr<QWidget> dialog;
};

TEST_P(WindowTextFit, EveryCaptionFitsItsControl) {
    const QWidget& window = Build();
    ExpectRunSettings(window);
    ExpectEveryCaptionFits(window);
}

QString AccessibleName(QObject* object) {
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
}

// The shown controls (what takes the focus or holds a value) below `node`. A part that
// repeats its control's name, the text of a numeric field, is that control.
void CollectControls(QAccessibleInterface* node, const QString& owner,
                     std::vector<QAccessibleInterface*>& controls) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (child == nullptr || child->state().invisible)
            continue;
        const QString name = child->text(QAccessible::Name);
        const bool control = child->state().focusable || child->valueInterface() != nullptr ||
                             child->role() == QAccessible::Button;
        if (control && (owner.isEmpty() || name != owner))
            controls.push_back(child);
        CollectControls(child, control && !name.isEmpty() ? name : owner, controls);
    }
}

// A level's slider and field share their name and are told apart by their roles. A control's
// hint is also its description, shown or not.
TEST_P(WindowTextFit, EveryControlHasANameOfItsOwnAndItsHintAsDescription) {
    QWidget& window = Build();
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&window);
    EXPECT_EQ(root->text(QAccessible::Name), window.windowTitle());
    std::vector<QAccessibleInterface*> controls;
    CollectControls(root, QString(), controls);
    EXPECT_FALSE(controls.empty());
    std::map<std::pair<QString, QAccessible::Role>, QString> seen;
    for (QAccessibleInterface* control : controls) {
        const QString name = control->text(QAccessible::Name);
        const QObject* object = control->object();
        const QString where = object == nullptr                ? QStringLiteral("?")
                              : object->objectName().isEmpty() ? object->metaObject()->className()
                                                               : object->objectName();
        EXPECT_FALSE(name.isEmpty()) << where.toStdString() << " has no name";
        if (const auto* widget = qobject_cast<const QWidget*>(object)) {
            EXPECT_EQ(control->text(QAccessible::Description), widget->toolTip())
                << where.toStdString();
        }
        const auto [first, added] = seen.emplace(std::pair(name, control->role()), where);
        EXPECT_TRUE(added || name.isEmpty())
            << where.toStdString() << " and " << first->second.toStdString() << " are both \""
            << name.toStdString() << "\"";
    }
}

// Top to bottom, left to right along a line; in the main window the panels left to right,
// each top to bottom, then the row below them.
std::tuple<int, int, int> ReadingPlace(const QWidget* control, const QWidget* window) {
    const auto* main = qobject_cast<const QMainWindow*>(window);
    if (main == nullptr)
        return {0, control->y(), control->x()};
    if (control->parentWidget() == main->centralWidget())
        return {std::numeric_limits<int>::max(), 0, control->x()};
    return {control->parentWidget()->x(), control->y(), control->x()};
}

// The control holding the focus; a numeric field for its text.
QWidget* FocusedControl() {
    QWidget* focused = QApplication::focusWidget();
    return focused != nullptr && qobject_cast<TSpinEdit*>(focused->parentWidget()) != nullptr
               ? focused->parentWidget()
               : focused;
}

TEST_P(WindowTextFit, OpensOnItsFirstControlAndTabVisitsEveryControlInReadingOrder) {
    QWidget& window = Build();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    std::vector<QWidget*> expected;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled() &&
            qobject_cast<TSpinEdit*>(w->parentWidget()) == nullptr)
            expected.push_back(w);
    }
    std::sort(expected.begin(), expected.end(), [&window](QWidget* a, QWidget* b) {
        return ReadingPlace(a, &window) < ReadingPlace(b, &window);
    });
    ASSERT_FALSE(expected.empty());
    for (std::size_t stop = 0; stop <= expected.size(); ++stop) {
        QWidget* wanted = expected[stop % expected.size()];
        ASSERT_EQ(FocusedControl(), wanted)
            << "stop " << stop << " is not " << AccessibleName(wanted).toStdString();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowTextFit,
                         testing::Values(Window::MainFolded, Window::MainUnfolded,
                                         Window::Preferences, Window::LockWarning, Window::About),
                         [](const testing::TestParamInfo<Window>& info) {
                             return WindowName(info.param);
                         });

} // namespace
} // namespace vireo
