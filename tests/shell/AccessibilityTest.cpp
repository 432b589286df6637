// What assistive tools read of every window: every control named for what it sets and no two
// alike, the hints as descriptions, the windows named, Tab through every control in reading
// order. (A value the program sets is announced: offscreen Qt sends no accessibility events, so
// tests/e2e/accessibility hears it over the real bus.)

#include "controls/TSpinEdit.h"
#include "mixer/MixerPanels.h"
#include "shell/WindowsUnderTest.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <tuple>
#include <vector>

namespace vireo {
namespace {

using test::Window;

QString NameOf(const QAccessibleInterface* node) {
    return node->text(QAccessible::Name);
}

std::string Where(const QAccessibleInterface* node) {
    const QObject* object = node->object();
    const QString name = object == nullptr ? QString() : object->objectName();
    return (name.isEmpty() && object != nullptr ? object->metaObject()->className() : name)
        .toStdString();
}

// What the user can focus, or what holds a value.
bool IsControl(QAccessibleInterface* node) {
    return node->state().focusable || node->valueInterface() != nullptr;
}

// The shown controls below `node`. A part that repeats its control's name (the text of a
// numeric field) is that control, not a second one.
void CollectControls(QAccessibleInterface* node, const QString& owner,
                     std::vector<QAccessibleInterface*>& controls) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (child == nullptr || child->state().invisible)
            continue;
        QString childOwner = owner;
        if (IsControl(child) && (owner.isEmpty() || NameOf(child) != owner)) {
            controls.push_back(child);
            childOwner = NameOf(child);
        }
        CollectControls(child, childOwner, controls);
    }
}

class WindowAccessibility : public testing::TestWithParam<Window> {
protected:
    test::WindowsUnderTest windows;
};

// A level's slider and field share their name, told apart by their roles; no two controls of
// one kind share a name.
TEST_P(WindowAccessibility, EveryControlHasItsOwnName) {
    QWidget& window = windows.Build(GetParam());
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&window);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(NameOf(root), window.windowTitle());
    EXPECT_FALSE(NameOf(root).isEmpty());

    std::vector<QAccessibleInterface*> controls;
    CollectControls(root, QString(), controls);
    EXPECT_GE(controls.size(), 1u);
    std::map<std::pair<QString, QAccessible::Role>, std::string> seen;
    for (QAccessibleInterface* control : controls) {
        const QString name = NameOf(control);
        EXPECT_FALSE(name.isEmpty()) << Where(control) << " has no name";
        const auto [first, added] = seen.emplace(std::pair(name, control->role()), Where(control));
        EXPECT_TRUE(added || name.isEmpty()) << Where(control) << " and " << first->second
                                             << " are both \"" << name.toStdString() << "\"";
    }
}

QAccessibleInterface* Accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

// With hints switched off the tool tips stay away, and the descriptions stay.
TEST(MainWindowAccessibility, LevelsAndListsSayWhatTheySetAndDescribeThemWithTheirHints) {
    test::WindowsUnderTest windows;
    windows.main.store.WriteRegString(SettingsKey, "Display Hints", "False");
    auto& form = static_cast<TForm1&>(windows.Build(Window::MainUnfolded));
    const MixerPanels& m = *form.Mixer;
    const std::pair<TTrackBar*, TSpinEdit*> rows[] = {{m.VolumeTrackBar, m.VolumeSpinEdit},
                                                      {m.MIDITrackBar, m.MIDISpinEdit},
                                                      {m.MIDIReverbTrackBar, m.MIDIReverbSpinEdit},
                                                      {m.MIDIChorusTrackBar, m.MIDIChorusSpinEdit},
                                                      {m.ADVolumeTrackBar, m.ADVolumeSpinEdit},
                                                      {m.ReverbTrackBar, m.ReverbSpinEdit},
                                                      {m.ChorusTrackBar, m.ChorusSpinEdit},
                                                      {m.VariationTrackBar, m.VariationSpinEdit},
                                                      {m.DryTrackBar, m.DrySpinEdit}};
    const char* names[] = {"Master Volume",  "MIDI Volume",    "MIDI Reverb",
                           "MIDI Chorus",    "Digital Volume", "Digital Reverb",
                           "Digital Chorus", "Variation",      "Dry"};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto [bar, field] = rows[i];
        QAccessibleInterface* spin = Accessible(field);
        for (QAccessibleInterface* part : {Accessible(bar), spin, Accessible(field->Edit())}) {
            EXPECT_EQ(NameOf(part), names[i]) << Where(part);
            EXPECT_EQ(part->text(QAccessible::Description), bar->toolTip()) << Where(part);
        }
        EXPECT_FALSE(bar->toolTip().isEmpty());
        EXPECT_EQ(spin->role(), QAccessible::SpinBox);
        ASSERT_NE(spin->valueInterface(), nullptr);
        EXPECT_EQ(spin->valueInterface()->currentValue().toInt(), field->Value());
        EXPECT_EQ(spin->childCount(), 1) << "the arrows stay out; Up and Down step the field";
    }
    const std::pair<TComboBox*, const char*> lists[] = {{m.ReverbComboBox, "Reverb effect"},
                                                        {m.ChorusComboBox, "Chorus effect"},
                                                        {m.VariationComboBox, "Variation effect"}};
    for (const auto& [list, name] : lists) {
        EXPECT_EQ(NameOf(Accessible(list)), name);
        EXPECT_EQ(Accessible(list)->text(QAccessible::Description), list->toolTip());
    }
}

TEST(MainWindowAccessibility, TheWindowIsNamedByItsCaptionAfterALoadAndWhileMinimised) {
    test::WindowsUnderTest windows;
    auto& form = static_cast<TForm1&>(windows.Build(Window::MainFolded));
    form.OpenNamedSettingsFile(test::MainWindowFixture::WriteFile("Evening.mix", ""));
    ASSERT_EQ(form.windowTitle(), "Sonexa Vireo Mixer - Evening");
    form.showMinimized();
    EXPECT_EQ(NameOf(Accessible(&form)), "Sonexa Vireo Mixer - Evening");
}

TEST(DialogAccessibility, FieldsAreNamedByTheirCaptionsAndTheWarningIsOneText) {
    test::WindowsUnderTest windows;
    QWidget& preferences = windows.BuildHidden(Window::Preferences);
    EXPECT_EQ(NameOf(Accessible(preferences.findChild<QWidget*>("DevicesComboBox"))),
              "MIDI Devices Output");
    EXPECT_EQ(NameOf(Accessible(preferences.findChild<QWidget*>("DelayEdit"))),
              "Periodic Refresh Delay");

    QAccessibleInterface* warning = Accessible(&windows.BuildHidden(Window::LockWarning));
    EXPECT_EQ(warning->role(), QAccessible::Dialog);
    EXPECT_EQ(warning->text(QAccessible::Description),
              "Locking the Mixer will lock the Variation effects in the current state. XG MIDI "
              "files which use Variation effects may not playback correctly. Generally, do not "
              "lock the Mixer when playing XG MIDI files.");
}

// Reading order: top to bottom, left to right along a line; in the main window the panels
// left to right, each top to bottom, then the row below them.
std::tuple<int, int, int> ReadingPlace(const QWidget* control, const QWidget* window) {
    const auto* main = qobject_cast<const QMainWindow*>(window);
    if (main == nullptr)
        return {0, control->y(), control->x()};
    const QWidget* panel = control->parentWidget();
    if (panel == main->centralWidget())
        return {std::numeric_limits<int>::max(), 0, control->x()};
    return {panel->x(), control->y(), control->x()};
}

// The control that holds the focus: a numeric field for its text.
QWidget* FocusedControl() {
    QWidget* focused = QApplication::focusWidget();
    if (focused != nullptr && qobject_cast<TSpinEdit*>(focused->parentWidget()) != nullptr)
        return focused->parentWidget();
    return focused;
}

std::string Called(QWidget* control) {
    return control == nullptr ? "nothing" : NameOf(Accessible(control)).toStdString();
}

TEST_P(WindowAccessibility, OpensOnTheFirstControlAndTabVisitsEveryControlInReadingOrder) {
    QWidget& window = windows.Build(GetParam());
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

    ASSERT_EQ(FocusedControl(), expected.front()) << "opens on " << Called(FocusedControl());
    std::vector<QWidget*> visited;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        visited.push_back(FocusedControl());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(FocusedControl(), expected.front()) << "Tab comes round to the first control";
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(visited[i], expected[i])
            << "stop " << i << ": " << Called(visited[i]) << " instead of " << Called(expected[i]);
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowAccessibility, testing::ValuesIn(test::kEveryWindow),
                         [](const testing::TestParamInfo<Window>& info) {
                             return test::WindowName(info.param);
                         });

} // namespace
} // namespace vireo
