#include "controls/TCheckBox.h"
#include "controls/TSpinEdit.h"
#include "midi/TMidiOutput.h"
#include "mixer/MessageSet.h"
#include "mixer/MixerPanels.h"
#include "persistence/PreferencesStore.h"
#include "shell/MainWindowFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using Bytes = std::vector<std::uint8_t>;
using Op = SimulatedMidiService::Op;

constexpr std::string_view kPatchValue = "Mapper Connections";

const std::string kLockedFile = "[Mixer Settings]\nVolume Level=100\nMIDI Level=90\n"
                                "MIDI Reverb Level=30\nA/D Part Level=80\nReverb Level=20\n"
                                "Dry Level=70\nReverb Effect=Hall1\nChorus Effect=Chorus1\n"
                                "Lock=1\n";

// The mapper's wires as the window keeps them: remembered, made again, and a synthesizer newly
// wired to it brought in line with the window.
class MapperWireTest : public testing::Test, public test::MainWindowFixture {
protected:
    MapperWireTest() { service.addMapperPort("Synth:in"); }

    // Runs the event loop until `done` holds (or a generous while has passed).
    template <typename Done> static void RunUntil(Done done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    // Lets every pending change of the patch be handled.
    static void Settle() {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 800)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    std::string Remembered() { return store.ReadRegString(SettingsKey, kPatchValue, "<none>"); }

    // What the start-up load of `content` sent.
    std::vector<Bytes> StartWith(const std::string& content) {
        Create({WriteFile("state.mix", content)});
        Settle();
        std::vector<Bytes> load = Sent();
        service.clearCalls();
        return load;
    }
};

TEST_F(MapperWireTest, RememberedPortsAreWiredBeforeTheStartUpLoadWhichIsTheirOnlySend) {
    store.WriteRegString(SettingsKey, kPatchValue, "Synth:in\nSampler:in");
    Create({WriteFile("state.mix", kLockedFile)});
    EXPECT_THAT(service.mapperConnections(), ElementsAre("Synth:in"));
    const auto& calls = service.calls();
    const auto wired = std::find_if(calls.begin(), calls.end(),
                                    [](const auto& call) { return call.op == Op::ConnectMapper; });
    const auto firstLong = std::find_if(calls.begin(), calls.end(),
                                        [](const auto& call) { return call.op == Op::Long; });
    ASSERT_NE(wired, calls.end());
    ASSERT_NE(firstLong, calls.end());
    EXPECT_LT(wired - calls.begin(), firstLong - calls.begin());

    const std::vector<Bytes> load = Sent();
    Settle();
    EXPECT_EQ(test::Hex(Sent()), test::Hex(load)) << "the new wire got a second send";
    EXPECT_EQ(Remembered(), "Synth:in\nSampler:in"); // the absent port is kept
}

TEST_F(MapperWireTest, AWireMadeByHandGetsTheWholeStateOnce) {
    const std::vector<Bytes> load = StartWith(kLockedFile);
    service.addMapperPort("Sampler:in");
    service.clearCalls();
    service.wireMapper("Synth:in");
    service.wireMapper("Sampler:in");
    RunUntil([&] { return !Sent().empty(); });
    Settle();
    EXPECT_EQ(test::Hex(Sent()), test::Hex(load));
    EXPECT_EQ(Remembered(), "Synth:in\nSampler:in");
}

TEST_F(MapperWireTest, TheStateEndsWithUnlockWhenTheLockBoxIsClear) {
    const std::vector<Bytes> load = StartWith("[Mixer Settings]\nVolume Level=64\n");
    service.wireMapper("Synth:in");
    RunUntil([&] { return !Sent().empty(); });
    std::vector<Bytes> expected = load;
    expected.emplace_back(synth::LockOff.begin(), synth::LockOff.end());
    EXPECT_EQ(test::Hex(Sent()), test::Hex(expected));
}

TEST_F(MapperWireTest, TheStateIsReadFromTheControls) {
    StartWith(kLockedFile);
    Form().Mixer->VolumeSpinEdit->SetValue(12);
    const std::vector<Bytes> volume = Sent();
    ASSERT_EQ(volume.size(), 1u);
    service.clearCalls();
    service.wireMapper("Synth:in");
    RunUntil([&] { return !Sent().empty(); });
    const std::vector<Bytes> state = Sent();
    ASSERT_GT(state.size(), 9u);
    EXPECT_EQ(test::Hex({state[8]}), test::Hex(volume)); // after the eight of the initialisation
    EXPECT_EQ(Form().Mixer->VolumeSpinEdit->Value(), 12);
}

TEST_F(MapperWireTest, AWireMadeWhileTheDeviceIsClosedGetsTheStateAtTheNextOpen) {
    const std::vector<Bytes> load = StartWith(kLockedFile);
    Form().EnableDeviceCheckBox->setChecked(false);
    service.clearCalls();
    service.wireMapper("Synth:in");
    Settle();
    EXPECT_THAT(Sent(), IsEmpty());
    Form().EnableDeviceCheckBox->setChecked(true);
    EXPECT_EQ(test::Hex(Sent()), test::Hex(load));
    service.clearCalls();
    Settle();
    EXPECT_THAT(Sent(), IsEmpty());
}

TEST_F(MapperWireTest, AHiddenWindowThatClosesItsDeviceSendsTheStateWhenShownAgain) {
    store.SetRootKey(RegRoot::LocalMachine);
    store.WriteRegInteger(MachineKey, "Close MIDI Device if Minimized", 1);
    store.SetRootKey(RegRoot::CurrentUser);
    const std::vector<Bytes> load = StartWith(kLockedFile);
    Form().show();
    Form().close();
    ASSERT_EQ(Form().MidiOutput1->State(), TMidiOutput::MidiState::Closed);
    service.wireMapper("Synth:in");
    Settle();
    EXPECT_THAT(Sent(), IsEmpty());
    Form().show();
    EXPECT_EQ(test::Hex(Sent()), test::Hex(load));
}

TEST_F(MapperWireTest, ARememberedPortThatAppearsLaterIsWiredAndGetsTheState) {
    store.WriteRegString(SettingsKey, kPatchValue, "Late:in");
    const std::vector<Bytes> load = StartWith(kLockedFile);
    EXPECT_THAT(service.mapperConnections(), IsEmpty());
    service.addMapperPort("Late:in");
    RunUntil([&] { return !Sent().empty(); });
    Settle();
    EXPECT_THAT(service.mapperConnections(), ElementsAre("Late:in"));
    EXPECT_EQ(test::Hex(Sent()), test::Hex(load));
}

TEST_F(MapperWireTest, AWireTheUserRemovesIsForgottenAndOneWhosePortWentIsKept) {
    service.addMapperPort("Sampler:in");
    store.WriteRegString(SettingsKey, kPatchValue, "Synth:in\nSampler:in");
    StartWith(kLockedFile);
    service.unwireMapper("Synth:in");
    service.removeMapperPort("Sampler:in");
    Settle();
    EXPECT_EQ(Remembered(), "Sampler:in");
}

// The device chosen by name is watched for the whole run.
class DeviceWatchTest : public MapperWireTest {
protected:
    void Record(const std::string& device) {
        store.SetRootKey(RegRoot::LocalMachine);
        store.WriteRegInteger(MachineKey, "Checked Device", 1);
        store.SetRootKey(RegRoot::CurrentUser);
        store.WriteRegString(SettingsKey, "DeviceName", device);
    }
    std::string StatusBar() { return Form().StatusBar1->text().toStdString(); }
};

TEST_F(DeviceWatchTest, ALostDeviceIsOpenedAgainWhenAPortOfItsNameAppearsAndGetsTheStateOnce) {
    Record("Synth B");
    const std::vector<Bytes> load = StartWith(kLockedFile);
    ASSERT_EQ(StatusBar(), "Synth B");
    service.unplugDevice("Synth B");
    service.plugDevice("Synth C");
    Settle();
    EXPECT_THAT(Sent(), IsEmpty()) << "another device was taken";
    service.plugDevice("Synth B");
    RunUntil([&] { return !Sent().empty(); });
    Settle();
    EXPECT_EQ(test::Hex(Sent()), test::Hex(load));
    EXPECT_EQ(Form().MidiOutput1->DeviceID(), 2);
    EXPECT_EQ(StatusBar(), "Synth B");
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(DeviceWatchTest, ARecordedDeviceMissingAtTheStartIsTakenUpWhenItAppears) {
    Record("USB Keys");
    const std::vector<Bytes> load = StartWith(kLockedFile);
    ASSERT_EQ(StatusBar(), "MIDI Mapper");
    service.plugDevice("USB Keys");
    RunUntil([&] { return !Sent().empty(); });
    Settle();
    EXPECT_EQ(test::Hex(Sent()), test::Hex(load));
    EXPECT_EQ(StatusBar(), "USB Keys");
    const auto& calls = service.calls();
    const auto opens = std::count_if(calls.begin(), calls.end(), [](const auto& call) {
        return call.op == Op::Open && call.index == 2 && call.result == MidiError::NoError;
    });
    EXPECT_EQ(opens, 1);
}

// A user who pressed OK in Preferences since the start, or whose choice is the mapper, stays.
class NoSwitchTest : public DeviceWatchTest, public testing::WithParamInterface<bool> {};

TEST_P(NoSwitchTest, AfterAChoiceInPreferencesNorForAUserOfTheMapper) {
    const bool chose = GetParam();
    Record(chose ? "USB Keys" : "MIDI Mapper");
    StartWith(kLockedFile);
    if (chose) {
        Form().SetPreferencesDialogFactory([](TForm1&) {
            auto dialog = std::make_unique<QDialog>();
            QTimer::singleShot(0, dialog.get(), &QDialog::accept);
            return dialog;
        });
        Form().Preferences1Click();
    }
    service.clearCalls();
    service.plugDevice("USB Keys");
    Settle();
    EXPECT_THAT(Sent(), IsEmpty());
    EXPECT_EQ(Form().MidiOutput1->DeviceID(), MidiOutService::kMapper);
    EXPECT_EQ(StatusBar(), "MIDI Mapper");
}

INSTANTIATE_TEST_SUITE_P(Choice, NoSwitchTest, testing::Bool());

} // namespace
} // namespace vireo
