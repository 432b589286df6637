#include "dialogs/TFormSetup.h"

#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "midi/SimulatedMidiService.h"
#include "midi/TMidiOutput.h"
#include "persistence/PreferencesStore.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>

namespace vireo {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

constexpr int kMissing = -1;

// A dialog over a simulated service with devices "Synth A" and "Synth B", hives in a private
// folder where the first-run probe is already recorded and "Synth B" is the user's device,
// and a refresh timer of 250 ms that runs.
class TFormSetupTest : public testing::Test {
protected:
    TFormSetupTest() {
        store.SetRootKey(RegRoot::LocalMachine);
        store.WriteRegInteger(MachineKey, "Checked Device", 1);
        store.SetRootKey(RegRoot::CurrentUser);
        store.WriteRegString(SettingsKey, "DeviceName", "Synth B");
        timer.setInterval(250);
        timer.start();
    }

    TFormSetup& Create(bool closeDeviceWhenMinimized = false) {
        dialog = std::make_unique<TFormSetup>(TFormSetup::Context{
            .port = port,
            .store = store,
            .timer = timer,
            .closeDeviceWhenMinimized = closeDeviceWhenMinimized,
            .hintsShown = [this] { return hints; },
            .setHintsShown = [this](bool on) { hints = on; },
            .showError = [this](const QString& text) { errors.push_back(text); }});
        return *dialog;
    }

    // Shows the dialog without blocking, as its modal showing would.
    TFormSetup& Open(bool closeDeviceWhenMinimized = false) {
        Create(closeDeviceWhenMinimized).open();
        return *dialog;
    }

    void PressOk() { QTest::mouseClick(dialog->OkButton, Qt::LeftButton); }

    void TypeDelay(const QString& text) {
        dialog->DelayEdit->clear();
        QTest::keyClicks(dialog->DelayEdit, text);
    }

    std::string ReadString(const char* name) {
        return store.ReadRegString(SettingsKey, name, "<missing>");
    }
    int ReadInteger(const char* name) { return store.ReadRegInteger(SettingsKey, name, kMissing); }

    // Every hive file's bytes, to tell whether anything was written.
    std::map<QString, QByteArray> Hives() const {
        std::map<QString, QByteArray> files;
        QDir folder(hiveFolder.path());
        for (const QString& name : folder.entryList(QDir::Files)) {
            QFile file(folder.filePath(name));
            file.open(QIODevice::ReadOnly);
            files[name] = file.readAll();
        }
        return files;
    }

    QTemporaryDir hiveFolder;
    PreferencesStore store{HivePaths{hiveFolder.filePath("user.reg"),
                                     hiveFolder.filePath("machine.reg"),
                                     hiveFolder.filePath("overlay.reg")}};
    SimulatedMidiService service{{"Synth A", "Synth B"}};
    TMidiOutput port{service};
    QTimer timer;
    bool hints = true;
    std::vector<QString> errors;
    std::unique_ptr<TFormSetup> dialog;
};

// The next widget that Tab moves the focus to.
const QWidget* NextTabStop(const QWidget* widget) {
    const QWidget* next = widget->nextInFocusChain();
    while (next != widget && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

TEST_F(TFormSetupTest, HasItsLayoutCaptionsAndKeyboardOrder) {
    TFormSetup& d = Create();
    EXPECT_EQ(d.windowTitle(), "Preferences");
    // Drawn for 353 by 166; where the fonts at hand need more room, captions grow, the
    // fields move right of them as one column and the buttons keep to the right edge.
    EXPECT_GE(d.width(), 353);
    EXPECT_EQ(d.height(), 166);
    const int shift = d.DevicesComboBox->x() - 128;
    const int grow = d.width() - 353;
    EXPECT_GE(shift, 0);
    EXPECT_EQ(d.pos(), QPoint(157, 84));
    EXPECT_FALSE(d.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(d.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    EXPECT_EQ(d.Label1->text(), "&MIDI Devices Output:");
    EXPECT_EQ(d.Label1->geometry().topLeft(), QPoint(8, 8));
    EXPECT_EQ(d.Label1->buddy(), d.DevicesComboBox);
    EXPECT_EQ(d.DevicesComboBox->geometry(), QRect(128 + shift, 5, 217, 21));
    EXPECT_FALSE(d.DevicesComboBox->isEditable());
    EXPECT_EQ(d.CheckHints->text(), "&Display Hints");
    EXPECT_EQ(d.CheckHints->geometry().topLeft(), QPoint(8, 40));
    EXPECT_GE(d.CheckHints->width(), 97);
    EXPECT_EQ(d.CheckHints->height(), 17);
    EXPECT_EQ(d.WarningCheckBox->text(), "Display &Warning");
    EXPECT_EQ(d.WarningCheckBox->geometry().topLeft(), QPoint(8, 64));
    EXPECT_GE(d.WarningCheckBox->width(), 97);
    EXPECT_EQ(d.WarningCheckBox->height(), 17);
    EXPECT_EQ(d.Label2->text(), "&Periodic Refresh Delay:");
    EXPECT_EQ(d.Label2->geometry().topLeft(), QPoint(8, 88));
    EXPECT_EQ(d.Label2->buddy(), d.DelayEdit);
    // What a screen reader calls the list and the field: their captions.
    for (const auto& [field, name] :
         {std::pair<QWidget*, QString>{d.DevicesComboBox, "MIDI Devices Output"},
          {d.DelayEdit, "Periodic Refresh Delay"}})
        EXPECT_EQ(QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name), name);
    EXPECT_EQ(d.DelayEdit->geometry(), QRect(128 + shift, 86, 49, 21));
    EXPECT_EQ(d.DelayEdit->maxLength(), 4);
    EXPECT_EQ(d.UpDown1->geometry(), QRect(177 + shift, 86, 15, 21));
    EXPECT_EQ(d.UpDown1->Min(), 0);
    EXPECT_EQ(d.UpDown1->Max(), 9999);
    EXPECT_EQ(d.Label3->text(), "milliseconds");
    EXPECT_EQ(d.Label3->geometry().topLeft(), QPoint(200 + shift, 88));
    EXPECT_EQ(d.OkButton->text(), "OK");
    EXPECT_EQ(d.OkButton->geometry(), QRect(174 + grow, 128, 75, 25));
    EXPECT_TRUE(d.OkButton->isDefault());
    EXPECT_EQ(d.CancelButton->text(), "Cancel");
    EXPECT_EQ(d.CancelButton->geometry(), QRect(270 + grow, 128, 75, 25));

    const QWidget* order[] = {d.DevicesComboBox, d.CheckHints, d.WarningCheckBox, d.DelayEdit,
                              d.UpDown1,         d.OkButton,   d.CancelButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        EXPECT_EQ(NextTabStop(order[i - 1]), order[i]) << "after tab stop " << i - 1;
}

TEST_F(TFormSetupTest, ListsTheMapperThenEveryDeviceAndSelectsTheUsersDevice) {
    TFormSetup& d = Open();
    ASSERT_EQ(d.DevicesComboBox->count(), 3);
    EXPECT_EQ(d.DevicesComboBox->itemText(0), "MIDI Mapper");
    EXPECT_EQ(d.DevicesComboBox->itemText(1), "Synth A");
    EXPECT_EQ(d.DevicesComboBox->itemText(2), "Synth B");
    EXPECT_EQ(d.DevicesComboBox->ItemIndex(), 2);
    EXPECT_EQ(port.DeviceID(), 1); // put back on the recorded device after listing

    d.DevicesComboBox->SetItemIndex(0);
    PressOk();
    EXPECT_EQ(port.DeviceID(), -1);
    EXPECT_EQ(ReadString("DeviceName"), "MIDI Mapper");
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(TFormSetupTest, ListsADevicePluggedInAfterThePortCountedItsDevices) {
    service.setDevices({"Synth A", "Synth B", "USB Keys"});
    store.WriteRegString(SettingsKey, "DeviceName", "USB Keys");
    TFormSetup& d = Open();
    ASSERT_EQ(d.DevicesComboBox->count(), 4);
    EXPECT_EQ(d.DevicesComboBox->itemText(3), "USB Keys");
    EXPECT_EQ(d.DevicesComboBox->ItemIndex(), 3);

    service.setDevices({"USB Keys"}); // two gone by the next showing
    dialog->reject();
    TFormSetup& again = Open();
    EXPECT_EQ(again.DevicesComboBox->count(), 2);
    EXPECT_EQ(again.DevicesComboBox->ItemIndex(), 1);
    PressOk();
    EXPECT_EQ(port.DeviceID(), 0);
    EXPECT_EQ(ReadString("DeviceName"), "USB Keys");
}

TEST_F(TFormSetupTest, CancelEscAndCloseWriteNothingAndRestoreTheTimer) {
    using Close = void (*)(TFormSetup&);
    const Close closes[] = {
        [](TFormSetup& d) { QTest::mouseClick(d.CancelButton, Qt::LeftButton); },
        [](TFormSetup& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](TFormSetup& d) { QTest::keyClick(d.CancelButton, Qt::Key_Return); }, // focused
        [](TFormSetup& d) { QTest::keyClick(d.CancelButton, Qt::Key_Enter); },
        [](TFormSetup& d) { d.close(); }};
    for (const bool running : {true, false}) {
        for (const Close close : closes) {
            running ? timer.start() : timer.stop();
            const auto before = Hives();
            TFormSetup& d = Open();
            EXPECT_FALSE(timer.isActive());
            EXPECT_EQ(d.SavedTimerEnabled(), running);
            d.DevicesComboBox->SetItemIndex(0);
            d.CheckHints->SetChecked(false);
            d.WarningCheckBox->SetChecked(false);
            TypeDelay("900");
            close(d);
            EXPECT_FALSE(d.isVisible());
            EXPECT_EQ(d.result(), QDialog::Rejected);
            EXPECT_EQ(timer.isActive(), running);
            EXPECT_EQ(timer.interval(), 250);
            EXPECT_TRUE(hints);
            EXPECT_EQ(port.DeviceID(), 1);
            EXPECT_EQ(Hives(), before);
        }
    }
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(TFormSetupTest, OkAppliesAndStoresEveryChoiceAndTheNextShowingPresetsThem) {
    store.WriteRegString(SettingsKey, "Display Hints", "True"); // not what the box shows
    hints = false;
    TFormSetup& d = Open();
    EXPECT_FALSE(d.CheckHints->Checked());
    EXPECT_TRUE(d.WarningCheckBox->Checked());
    EXPECT_EQ(d.DelayEdit->text(), "250");

    d.DevicesComboBox->SetItemIndex(1);
    QTest::keyClick(d.CheckHints, Qt::Key_Space);
    QTest::keyClick(d.WarningCheckBox, Qt::Key_Space);
    TypeDelay("500");
    PressOk();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(port.DeviceID(), 0);
    EXPECT_EQ(ReadString("DeviceName"), "Synth A");
    EXPECT_EQ(ReadString("Display Hints"), "True");
    EXPECT_TRUE(hints);
    EXPECT_EQ(ReadInteger("Periodic Delay"), 500);
    EXPECT_EQ(timer.interval(), 500);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(ReadInteger("No Warning"), 1);

    TFormSetup& again = Open();
    EXPECT_FALSE(again.WarningCheckBox->Checked());
    EXPECT_EQ(again.DevicesComboBox->ItemIndex(), 1);
    EXPECT_EQ(again.DelayEdit->text(), "500");
    QTest::keyClick(again.WarningCheckBox, Qt::Key_Space);
    QTest::keyClick(again.CheckHints, Qt::Key_Space);
    QTest::keyClick(again.DelayEdit, Qt::Key_Return); // Enter presses OK
    EXPECT_EQ(again.result(), QDialog::Accepted);
    EXPECT_EQ(ReadInteger("No Warning"), 0);
    EXPECT_EQ(ReadString("Display Hints"), "False");
    EXPECT_FALSE(hints);
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(TFormSetupTest, EmptyDelayKeepsTheIntervalAndTheStoredDelay) {
    store.WriteRegInteger(SettingsKey, "Periodic Delay", 777);
    Open();
    TypeDelay("");
    PressOk();
    EXPECT_EQ(timer.interval(), 250);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(ReadInteger("Periodic Delay"), 777);
    EXPECT_EQ(ReadInteger("No Warning"), 0); // the steps after the delay still ran
}

TEST_F(TFormSetupTest, ZeroOrNegativeDelayIsStoredAsZeroAndTheTimerNoLongerRuns) {
    for (const char* typed : {"0", "-5"}) {
        timer.setInterval(250);
        timer.start();
        Open();
        TypeDelay(typed);
        PressOk();
        EXPECT_EQ(ReadInteger("Periodic Delay"), 0) << typed;
        EXPECT_EQ(timer.interval(), 0) << typed;
        EXPECT_FALSE(timer.isActive()) << typed;
    }
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(TFormSetupTest, DelayThatIsNotANumberIsReportedAndTheDialogStillClosesWithOk) {
    TFormSetup& d = Open();
    d.DevicesComboBox->SetItemIndex(1);
    d.CheckHints->SetChecked(false);
    d.WarningCheckBox->SetChecked(false);
    TypeDelay("12a5");
    PressOk();
    EXPECT_THAT(errors, ElementsAre("'12a5' is not a valid integer value"));
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_FALSE(d.isVisible());
    // Applied before the delay:
    EXPECT_EQ(port.DeviceID(), 0);
    EXPECT_EQ(ReadString("DeviceName"), "Synth A");
    EXPECT_EQ(ReadString("Display Hints"), "False");
    EXPECT_FALSE(hints);
    // Not reached:
    EXPECT_EQ(timer.interval(), 250);
    EXPECT_EQ(ReadInteger("Periodic Delay"), kMissing);
    EXPECT_EQ(ReadInteger("No Warning"), kMissing);
    EXPECT_TRUE(timer.isActive());
}

TEST_F(TFormSetupTest, WithTheDeviceClosedWhenMinimizedTheDelayRowIsHiddenAndKept) {
    TFormSetup& d = Open(true);
    for (QWidget* control : {static_cast<QWidget*>(d.Label2), static_cast<QWidget*>(d.DelayEdit),
                             static_cast<QWidget*>(d.UpDown1), static_cast<QWidget*>(d.Label3)})
        EXPECT_TRUE(control->isHidden()) << control->objectName().toStdString();
    EXPECT_FALSE(d.DevicesComboBox->isHidden());
    EXPECT_EQ(d.DelayEdit->text(), "250");
    PressOk();
    EXPECT_EQ(ReadInteger("Periodic Delay"), 250);
    EXPECT_EQ(timer.interval(), 250);
}

TEST_F(TFormSetupTest, NoDeviceLeftIsToldAndTheDialogClosesWithoutShowingOrEndingTheMixer) {
    service.setDevices({}); // the port counted two when it was made
    const auto before = Hives();
    TFormSetup& d = Create();
    EXPECT_THAT(errors, ElementsAre("No MIDI output device!"));
    EXPECT_FALSE(d.HasDevices());
    EXPECT_EQ(d.DevicesComboBox->count(), 0);

    QTimer guard; // a dialog that did show would wait here for ever
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &d, &QDialog::accept);
    guard.start(3000);
    EXPECT_EQ(d.exec(), QDialog::Rejected);
    EXPECT_TRUE(guard.isActive());
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 250);
    EXPECT_EQ(Hives(), before);
}

TEST_F(TFormSetupTest, PortErrorWhileListingIsReportedAndTheDialogStillOpens) {
    service.failProductName(1, MidiError::NoDriver);
    TFormSetup& d = Open();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].toStdString(), *StandardMidiErrorText(MidiError::NoDriver));
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.DevicesComboBox->count(), 2); // the mapper and device 0
    EXPECT_FALSE(timer.isActive());
    QTest::mouseClick(d.CancelButton, Qt::LeftButton);
    EXPECT_TRUE(timer.isActive());
}

TEST_F(TFormSetupTest, PortErrorOnOkIsReportedAndTheDialogStillClosesWithOk) {
    TFormSetup& d = Open();
    service.failProductName(0, MidiError::NoDriver);
    d.DevicesComboBox->SetItemIndex(1);
    TypeDelay("400");
    PressOk();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(ReadString("DeviceName"), "Synth B");
    EXPECT_EQ(timer.interval(), 250);
    EXPECT_TRUE(timer.isActive());
}

TEST_F(TFormSetupTest, ArrowsAndKeysStepTheDelayWithinItsRange) {
    TFormSetup& d = Open();
    TUpDown& arrows = *d.UpDown1;
    TypeDelay("9998");
    QTest::mouseClick(arrows.UpButton(), Qt::LeftButton);
    QTest::mouseClick(arrows.UpButton(), Qt::LeftButton);
    EXPECT_EQ(d.DelayEdit->text(), "9999");
    TypeDelay("1");
    QTest::mouseClick(arrows.DownButton(), Qt::LeftButton);
    QTest::mouseClick(arrows.DownButton(), Qt::LeftButton);
    EXPECT_EQ(d.DelayEdit->text(), "0");
    TypeDelay("x"); // not a number: the arrows go on from their own position
    QTest::keyClick(d.DelayEdit, Qt::Key_Up);
    EXPECT_EQ(d.DelayEdit->text(), "1");
    TypeDelay("1200");
    QTest::keyClick(&arrows, Qt::Key_Down);
    EXPECT_EQ(d.DelayEdit->text(), "1199");
    PressOk();
    EXPECT_EQ(ReadInteger("Periodic Delay"), 1199);
}

// The colours of the outermost ring of a widget's pixels.
std::set<QRgb> RingColours(QWidget& widget) {
    const QImage image = widget.grab().toImage();
    std::set<QRgb> colours;
    for (int x = 0; x < image.width(); ++x) {
        colours.insert(image.pixel(x, 0));
        colours.insert(image.pixel(x, image.height() - 1));
    }
    for (int y = 0; y < image.height(); ++y) {
        colours.insert(image.pixel(0, y));
        colours.insert(image.pixel(image.width() - 1, y));
    }
    return colours;
}

TEST_F(TFormSetupTest, ArrowsShowWhenTheyHoldTheFocus) {
    TFormSetup& d = Open();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.DelayEdit->setFocus(Qt::TabFocusReason);
    ASSERT_FALSE(d.UpDown1->hasFocus());
    const std::set<QRgb> unfocused = RingColours(*d.UpDown1);
    QTest::keyClick(d.DelayEdit, Qt::Key_Tab);
    ASSERT_TRUE(d.UpDown1->hasFocus());
    const QRgb highlight = d.UpDown1->palette().color(QPalette::Highlight).rgb();
    EXPECT_EQ(RingColours(*d.UpDown1), std::set<QRgb>{highlight});
    EXPECT_FALSE(unfocused.contains(highlight));
}

TEST(StrToIntTest, ReadsDecimalIntegersAndRefusesEverythingElse) {
    EXPECT_EQ(StrToInt("250"), 250);
    EXPECT_EQ(StrToInt("  42"), 42);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("-5"), -5);
    EXPECT_EQ(StrToInt("0009"), 9);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", " ", "-", "4 ", "1.5", "$10", "0x1", "abc", "2147483648"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.what(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

} // namespace
} // namespace vireo
