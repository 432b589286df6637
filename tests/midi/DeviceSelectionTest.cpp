#include "midi/DeviceSelection.h"

#include "midi/SimulatedMidiService.h"
#include "midi/TMidiOutput.h"
#include "persistence/PreferencesStore.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace vireo {
namespace {

class DeviceSelectionTest : public testing::Test {
protected:
    QTemporaryDir dir{test::privateHome().path() + "/devices-XXXXXX"};
    HivePaths paths{dir.path() + "/user.reg", dir.path() + "/machine.reg",
                    dir.path() + "/overlay.reg"};
    PreferencesStore store{paths};
    SimulatedMidiService service;
    std::unique_ptr<TMidiOutput> port;

    // The port counts the devices when it is made, as the main window's does.
    TMidiOutput& Devices(std::vector<std::string> names) {
        service.setDevices(std::move(names));
        port = std::make_unique<TMidiOutput>(service);
        return *port;
    }

    void SetChecked(std::int32_t value) {
        store.SetRootKey(RegRoot::LocalMachine);
        ASSERT_TRUE(store.WriteRegInteger(MachineKey, "Checked Device", value));
        store.SetRootKey(RegRoot::CurrentUser);
    }
    std::int32_t Checked() {
        store.SetRootKey(RegRoot::LocalMachine);
        const auto value = store.ReadRegInteger(MachineKey, "Checked Device", -1);
        store.SetRootKey(RegRoot::CurrentUser);
        return value;
    }
    void SetDeviceName(const std::string& name) {
        ASSERT_TRUE(store.WriteRegString(SettingsKey, "DeviceName", name));
    }
    std::string DeviceName() { return store.ReadRegString(SettingsKey, "DeviceName", "(none)"); }

    std::vector<int> ProbedIndexes() const {
        std::vector<int> indexes;
        for (const auto& call : service.calls()) {
            if (call.op == SimulatedMidiService::Op::ProductName)
                indexes.push_back(call.index);
        }
        return indexes;
    }
};

TEST_F(DeviceSelectionTest, FindTriesDevicesUpwardAndStopsAtTheFirstMatch) {
    TMidiOutput& out = Devices({"Synth", "Sound MPU-401 #2", "MPU-401"});
    EXPECT_TRUE(FindDeviceByName(out, "MPU-401"));
    EXPECT_EQ(out.DeviceID(), 1);
    EXPECT_EQ(out.ProductName(), "Sound MPU-401 #2");
    EXPECT_EQ(ProbedIndexes(), (std::vector<int>{0, 1}));

    EXPECT_TRUE(FindDeviceByName(out, "Synth")); // the whole name counts
    EXPECT_EQ(out.DeviceID(), 0);
}

TEST_F(DeviceSelectionTest, FindWithoutMatchLeavesThePortOnTheLastDevice) {
    TMidiOutput& out = Devices({"MPU-401", "Synth"});
    EXPECT_FALSE(FindDeviceByName(out, "mpu-401")); // case matters
    EXPECT_EQ(out.DeviceID(), 1);
    EXPECT_EQ(ProbedIndexes(), (std::vector<int>{0, 1})); // never the mapper
}

TEST_F(DeviceSelectionTest, FindWithNoDevicesDoesNotTouchThePort) {
    TMidiOutput& out = Devices({});
    out.SetDeviceID(-1);
    service.clearCalls();
    EXPECT_FALSE(FindDeviceByName(out, "MIDI Mapper"));
    EXPECT_EQ(out.DeviceID(), -1);
    EXPECT_TRUE(service.calls().empty());
}

TEST_F(DeviceSelectionTest, FirstRunPrefersMultiOverAnEarlierMpu) {
    TMidiOutput& out = Devices({"MPU-401", "Multi-Media Synth"});
    ChooseOutputDevice(out, store);
    EXPECT_EQ(out.DeviceID(), 1);
    EXPECT_EQ(Checked(), 1);
    EXPECT_EQ(DeviceName(), "Multi-Media Synth");
}

TEST_F(DeviceSelectionTest, FirstRunFallsBackToMpuThenToTheMapper) {
    TMidiOutput& out = Devices({"Synth", "Sound MPU-401"});
    ChooseOutputDevice(out, store);
    EXPECT_EQ(out.DeviceID(), 1);
    EXPECT_EQ(DeviceName(), "Sound MPU-401");

    ASSERT_TRUE(QFile::remove(paths.machine));
    service.setMapperName("Mapper as reported");
    TMidiOutput& other = Devices({"Synth A", "Synth B"});
    ChooseOutputDevice(other, store);
    EXPECT_EQ(other.DeviceID(), -1);
    EXPECT_EQ(Checked(), 1);
    EXPECT_EQ(DeviceName(), "Mapper as reported");
}

TEST_F(DeviceSelectionTest, LaterRunLooksTheStoredNameUpAsContainedText) {
    SetChecked(1);
    SetDeviceName("MPU-401");
    TMidiOutput& out = Devices({"Sound MPU-401 #2", "MPU-401"});
    ChooseOutputDevice(out, store);
    EXPECT_EQ(out.DeviceID(), 0);
}

TEST_F(DeviceSelectionTest, LaterRunNeverWritesEvenWhenFallingBackToTheMapper) {
    SetChecked(5);
    SetDeviceName("mpu-401");
    const QByteArray user = [&] {
        QFile f(paths.user);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    TMidiOutput& out = Devices({"MPU-401", "Multi-Media Synth"});
    ChooseOutputDevice(out, store);
    EXPECT_EQ(out.DeviceID(), -1);
    EXPECT_EQ(DeviceName(), "mpu-401");
    EXPECT_EQ(Checked(), 5);
    QFile f(paths.user);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), user);
}

TEST_F(DeviceSelectionTest, LaterRunWithoutAStoredNameLooksForTheMapperName) {
    SetChecked(1);
    TMidiOutput& out = Devices({"Synth", "Other"});
    ChooseOutputDevice(out, store);
    EXPECT_EQ(out.DeviceID(), -1);

    SetDeviceName(""); // an empty name reads as the default too
    TMidiOutput& named = Devices({"Synth", "Virtual MIDI Mapper Port"});
    ChooseOutputDevice(named, store);
    EXPECT_EQ(named.DeviceID(), 1);
}

TEST_F(DeviceSelectionTest, NoDevicesGivesTheMapper) {
    TMidiOutput& out = Devices({});
    ChooseOutputDevice(out, store);
    EXPECT_EQ(out.DeviceID(), -1);
    EXPECT_EQ(DeviceName(), "MIDI Mapper");
}

TEST_F(DeviceSelectionTest, AnUnwritableMachineHiveRepeatsTheProbeEveryTime) {
    PreferencesStore broken{
        HivePaths{paths.user, dir.path() + "/machine-dir", dir.path() + "/overlay-dir"}};
    QDir().mkpath(dir.path() + "/machine-dir");
    QDir().mkpath(dir.path() + "/overlay-dir");
    TMidiOutput& out = Devices({"MPU-401"});
    ChooseOutputDevice(out, broken);
    SetDeviceName("changed by the user");
    ChooseOutputDevice(out, broken);
    EXPECT_EQ(DeviceName(), "MPU-401");
    EXPECT_EQ(broken.RootKey(), RegRoot::CurrentUser);
}

TEST_F(DeviceSelectionTest, APortErrorStopsTheChoiceWithNothingWrittenAndTheUserRootBack) {
    TMidiOutput& out = Devices({"Synth", "Broken", "MPU-401"});
    service.failProductName(1, MidiError::NoDriver);
    EXPECT_THROW(ChooseOutputDevice(out, store), EmidioutputError);
    EXPECT_FALSE(QFileInfo::exists(paths.machine));
    EXPECT_FALSE(QFileInfo::exists(paths.user));
    EXPECT_EQ(store.RootKey(), RegRoot::CurrentUser);
}

TEST_F(DeviceSelectionTest, BothPathsLeaveTheUserRootSet) {
    TMidiOutput& out = Devices({"Synth"});
    store.SetRootKey(RegRoot::ClassesRoot);
    ChooseOutputDevice(out, store);
    EXPECT_EQ(store.RootKey(), RegRoot::CurrentUser);
    store.SetRootKey(RegRoot::LocalMachine);
    ChooseOutputDevice(out, store);
    EXPECT_EQ(store.RootKey(), RegRoot::CurrentUser);
}

} // namespace
} // namespace vireo
