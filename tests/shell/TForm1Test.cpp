#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "controls/TSpinEdit.h"
#include "controls/TTrackBar.h"
#include "midi/TMidiOutput.h"
#include "mixer/MixerPanels.h"
#include "shell/HintSwitch.h"
#include "shell/MainWindowFixture.h"
#include "support/TestEnvironment.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

class TForm1Test : public testing::Test, public test::MainWindowFixture {};

TEST_F(TForm1Test, OpensFoldedAndTheButtonUnfoldsAndFoldsThePanel) {
    TForm1& form = Create();
    MixerPanels& m = *form.Mixer;
    EXPECT_TRUE(m.Panel3->isHidden());
    EXPECT_EQ(m.Panel2->x(), 79);
    EXPECT_EQ(m.Panel4->x(), 335);
    EXPECT_EQ(form.ClientSize(), QSize(469, 288));
    EXPECT_EQ(form.MIDIButton->text(), "&MIDI  >>");

    form.MIDIButton->click();
    EXPECT_FALSE(m.Panel3->isHidden());
    EXPECT_EQ(m.Panel2->x(), 242);
    EXPECT_EQ(m.Panel4->x(), 498);
    EXPECT_EQ(form.ClientSize().width(), 632);
    EXPECT_EQ(form.MIDIButton->text(), "&MIDI  <<");
    EXPECT_TRUE(m.MIDITrackBar->isEnabled());

    m.MIDIRefresh->setChecked(true);
    form.MIDIButton->click();
    EXPECT_FALSE(m.MIDIRefresh->isChecked());
    EXPECT_EQ(m.Panel2->x(), 79);
    EXPECT_EQ(form.ClientSize().width(), 469);
}

TEST_F(TForm1Test, PlainStartLoadsDefaultsRegistersTheFileTypeAndNamesTheCaption) {
    TForm1& form = Create();
    EXPECT_TRUE(form.SettingsFileName.endsWith("/sonexa-vireo-mixer/Default.mix"));
    EXPECT_EQ(form.windowTitle(), "Sonexa Vireo Mixer - Default");
    EXPECT_EQ(form.StatusBar1->text(), "MIDI Mapper");
    EXPECT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Opened);
    const QString desktop = test::privateHome().path() + "/home/.local/share/applications";
    EXPECT_FALSE(QDir(desktop).entryList({"*.desktop"}).isEmpty());

    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 8u + 1 + 16 * 3 + 2 + 2 + 1 + 2 + 1 + 2 + 1 + 2);
    EXPECT_THAT(test::Hex({sent[8]}), ElementsAre("F0 7F 7F 04 01 11 7F F7"));
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(TForm1Test, StartWithAnArgumentLoadsItWithoutRegisteringAndInTheStoredOrder) {
    const QString path = WriteFile("my.mix.old", "[mixer settings]\n"
                                                 "Volume Level=0x40\n"
                                                 "MIDI Level=$40\n"
                                                 "A/D Part Level=-5\n"
                                                 "Dry Level=300\n"
                                                 "Reverb Effect=Room2\n"
                                                 "Chorus Effect=hall1\n"
                                                 "Variation Effect=Vocal\n"
                                                 "Variation Level=20\n"
                                                 "Lock=2\n");
    TForm1& form = Create({path});
    EXPECT_EQ(form.windowTitle(), "Sonexa Vireo Mixer - my");
    const QString desktop = test::privateHome().path() + "/home/.local/share/applications";
    EXPECT_TRUE(QDir(desktop).entryList({"*.desktop"}).isEmpty());

    const auto hex = test::Hex(Sent());
    std::vector<std::string> expected = {
        "F0 43 10 4C 00 00 7F 00 F7", "F0 43 10 49 01 00 00 01 F7", "F0 43 10 4C 00 00 7E 00 F7",
        "F0 43 10 4C 11 00 00 01 F7", "F0 43 10 4C 02 01 5A 01 F7", "F0 43 10 4C 02 01 5B 40 F7",
        "F0 43 10 4C 02 01 5B 41 F7", "F0 43 10 4C 10 00 00 00 F7",
        "F0 7F 7F 04 01 11 40 F7", // master 64
    };
    const auto burst = [&expected](int controller, int value) {
        for (int n = 0; n < 16; ++n) {
            char text[16];
            std::snprintf(text, sizeof text, "%02X %02X %02X", 0xB0 + n, controller, value);
            expected.push_back(text);
        }
    };
    burst(0x07, 0x40);
    burst(0x5B, 0x00);
    burst(0x5D, 0x00);
    expected.insert(
        expected.end(),
        {
            "F0 43 10 4C 10 00 0B 00 F7", "F0 43 10 4C 10 01 0B 00 F7", // A/D volume -5 -> 0
            "F0 43 10 4C 10 00 11 7F F7", "F0 43 10 4C 10 01 11 7F F7", // dry 300 -> 127
            "F0 43 10 4C 02 01 00 02 01 F7",                            // Room2, panel folded
            "F0 43 10 4C 10 00 13 00 F7", "F0 43 10 4C 10 01 13 00 F7", // reverb send
            // chorus: hall1 matches nothing, so nothing for the chorus block
            "F0 43 10 4C 02 01 40 03 00 F7", "F0 43 10 4C 02 01 42 00 20 F7", // Vocal
            "F0 43 10 4C 10 00 14 14 F7", "F0 43 10 4C 10 01 14 14 F7",       // variation send 20
            "F0 43 10 49 01 00 01 01 F7",                                     // lock
        });
    EXPECT_EQ(hex, expected);
    EXPECT_TRUE(form.Mixer->LockADPart->isChecked());
    EXPECT_FALSE(form.Mixer->PeriodicRefresh->isChecked());
}

TEST_F(TForm1Test, DeviceThatCannotOpenUnchecksTheSwitchAndTheLoadStopsAtItsFirstSend) {
    service.setMapperName("MIDI Mapper");
    service.failOpen(-1, MidiError::Allocated);
    TForm1& form = Create();
    EXPECT_FALSE(form.EnableDeviceCheckBox->isChecked());
    EXPECT_FALSE(form.Mixer->VolumeTrackBar->isEnabled());
    EXPECT_FALSE(form.ResetButton->isEnabled());
    EXPECT_FALSE(form.Open1->isEnabled());
    EXPECT_TRUE(form.Save1->isEnabled());
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(form.windowTitle(), "Sonexa Vireo Mixer");
}

TEST_F(TForm1Test, CloseDeviceWhenMinimizedShowsTheSwitchAndHoldsTheDeviceOnlyWhileShown) {
    store.SetRootKey(RegRoot::LocalMachine);
    store.WriteRegInteger(MachineKey, "Close MIDI Device if Minimized", 0x100 | 1);
    store.SetRootKey(RegRoot::CurrentUser);
    TForm1& form = Create();
    EXPECT_TRUE(form.CloseDeviceWhenMinimized);
    EXPECT_FALSE(form.EnableDeviceCheckBox->isHidden());
    EXPECT_TRUE(form.Mixer->PeriodicRefresh->isHidden());
    EXPECT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Closed);
    EXPECT_GT(Sent().size(), 8u); // the load went out before the device was closed

    form.show();
    EXPECT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Opened);
    form.close();
    EXPECT_EQ(form.MidiOutput1->State(), TMidiOutput::MidiState::Closed);
    EXPECT_FALSE(form.isVisible());

    form.EnableDeviceCheckBox->setChecked(false);
    form.MIDIButton->click(); // unfolding with the device off shows the MIDI controls disabled
    EXPECT_FALSE(form.Mixer->MIDITrackBar->isHidden());
    EXPECT_FALSE(form.Mixer->MIDITrackBar->isEnabled());
}

TEST_F(TForm1Test, PositionIsSavedOnDestructionUnlessItIsTheForgottenOne) {
    Create().move(40, 50);
    const int x = Form().x();
    const int y = Form().y();
    Create(); // the first window is destroyed here
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "PosX", -1), x);
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "PosY", -1), y);

    Form().move(-5000, 7);
    Create();
    EXPECT_EQ(store.ReadRegInteger(SettingsKey, "PosX", -1), x);
}

TEST_F(TForm1Test, DroppedFilesLoadWhenTheyAreMixFilesAndTheDeviceIsOn) {
    TForm1& form = Create();
    const QString upper = WriteFile("SONG.MIX", "[Mixer Settings]\nVolume Level=10\n");
    const QString text = WriteFile("notes.txt", "[Mixer Settings]\nVolume Level=20\n");
    const QString second = WriteFile("Club.mix", "[Mixer Settings]\nVolume Level=30\n");
    form.DropFiles({upper, text, second});
    EXPECT_EQ(form.SettingsFileName, second);
    EXPECT_EQ(form.Mixer->VolumeSpinEdit->Value(), 30);
    EXPECT_EQ(form.windowTitle(), "Sonexa Vireo Mixer - Club");

    form.DropFiles({upper});
    EXPECT_EQ(form.windowTitle(), "Sonexa Vireo Mixer - ");
    EXPECT_EQ(form.Mixer->VolumeSpinEdit->Value(), 10);

    form.EnableDeviceCheckBox->setChecked(false);
    service.clearCalls();
    form.DropFiles({second});
    EXPECT_EQ(form.SettingsFileName, upper);
    EXPECT_THAT(Sent(), IsEmpty());
}

TEST_F(TForm1Test, HandOffShowsTheWindowThenLoadsTheFile) {
    TForm1& form = Create();
    const QString path = WriteFile("Hand Off \"quoted\" é.mix", "[Mixer Settings]\nDry Level=5\n");
    QCoreApplication::postEvent(&form, new OpenSettingsFileEvent(path));
    QCoreApplication::sendPostedEvents(&form);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Mixer->DrySpinEdit->Value(), 5);
    EXPECT_EQ(form.windowTitle(), "Sonexa Vireo Mixer - Hand Off \"quoted\" é");

    QCoreApplication::postEvent(&form, new OpenSettingsFileEvent(QString()));
    QCoreApplication::sendPostedEvents(&form);
    EXPECT_EQ(form.SettingsFileName, path);
}

TEST_F(TForm1Test, SaveAsThenSaveWritesTheChosenFileAndAsksOnlyForDefaultMix) {
    TForm1& form = Create();
    form.Mixer->VolumeSpinEdit->SetValue(99);
    form.SettingsFileName = WriteFile("default.mix", "");
    form.Save1Click(); // lower-case name: no question
    EXPECT_NE(ReadFile(form.SettingsFileName).find("Volume Level=99"), std::string::npos);

    form.SettingsFileName = WriteFile("Default.mix", "keep");
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close(); // the question, answered with No
    });
    form.Save1Click();
    EXPECT_EQ(ReadFile(form.SettingsFileName), "keep");
}

TEST_F(TForm1Test, ARefusedSaveIsReportedAndTheFileNameIsKept) {
    TForm1& form = Create();
    form.SettingsFileName = test::privateHome().path() + "/no such folder/x.mix";
    EXPECT_THROW(form.SaveSettingsFile(), std::runtime_error);
    try {
        form.SaveSettingsFile();
    } catch (const std::exception& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Unable to write to " + form.SettingsFileName.toStdString());
    }
}

TEST_F(TForm1Test, OnlyTheExactFalseTurnsHintsOff) {
    HintSwitch& hints = HintSwitch::Install(*qApp);
    store.WriteRegString(SettingsKey, "Display Hints", "false");
    Create();
    EXPECT_TRUE(hints.HintsShown());
    store.WriteRegString(SettingsKey, "Display Hints", "False");
    Create();
    EXPECT_FALSE(hints.HintsShown());
    QHelpEvent tip(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    EXPECT_TRUE(hints.eventFilter(Form().MIDIButton, &tip)); // swallowed
    hints.SetHintsShown(true);
}

// The focus goes to a field's text: it is named and described as its field.
TEST_F(TForm1Test, AFieldsTextIsNamedAndDescribedAsItsField) {
    const QList<TSpinEdit*> fields = Create().findChildren<TSpinEdit*>();
    ASSERT_EQ(fields.size(), 9);
    for (TSpinEdit* field : fields) {
        QAccessibleInterface* text = QAccessible::queryAccessibleInterface(field->Edit());
        EXPECT_EQ(text->text(QAccessible::Name), field->accessibleName());
        EXPECT_EQ(text->text(QAccessible::Description), field->toolTip());
    }
}

TEST_F(TForm1Test, TheWindowIsNamedByItsCaptionAlsoAfterALoadAndWhileMinimised) {
    TForm1& form = Create();
    form.OpenNamedSettingsFile(WriteFile("Evening.mix", ""));
    form.showMinimized();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&form)->text(QAccessible::Name),
              "Sonexa Vireo Mixer - Evening");
}

} // namespace
} // namespace vireo
