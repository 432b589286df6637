#include "midi/DeviceSelection.h"

#include "midi/TMidiOutput.h"
#include "persistence/PreferencesStore.h"

#include <string>

namespace vireo {
namespace {

constexpr auto kCheckedDevice = "Checked Device";
constexpr auto kDeviceName = "DeviceName";
constexpr auto kMapperName = "MIDI Mapper";

// Puts the store back on the user's root however the choice ends, a port error included, so
// that later accesses of the user's settings never land in the machine's hive.
class UserRootOnExit {
public:
    explicit UserRootOnExit(PreferencesStore& store)
        : store_(store) {}
    ~UserRootOnExit() { store_.SetRootKey(RegRoot::CurrentUser); }
    UserRootOnExit(const UserRootOnExit&) = delete;
    UserRootOnExit& operator=(const UserRootOnExit&) = delete;

private:
    PreferencesStore& store_;
};

void UseRecordedDevice(TMidiOutput& port, PreferencesStore& store) {
    store.SetRootKey(RegRoot::CurrentUser);
    const std::string name = store.ReadRegString(SettingsKey, kDeviceName, kMapperName);
    if (!FindDeviceByName(port, name))
        port.SetDeviceID(MidiOutService::kMapper);
}

void ProbeDevices(TMidiOutput& port, PreferencesStore& store) {
    if (!FindDeviceByName(port, "Multi-") && !FindDeviceByName(port, "MPU"))
        port.SetDeviceID(MidiOutService::kMapper);
    store.WriteRegInteger(MachineKey, kCheckedDevice, 1);
    store.SetRootKey(RegRoot::CurrentUser);
    store.WriteRegString(SettingsKey, kDeviceName, port.ProductName());
}

} // namespace

bool FindDeviceByName(TMidiOutput& port, std::string_view text) {
    bool found = false;
    for (int i = 0; !found && i < port.NumDevs(); ++i) {
        port.SetDeviceID(i);
        found = port.ProductName().find(text) != std::string::npos;
    }
    return found;
}

std::string AwaitedDevice(const TMidiOutput& port, PreferencesStore& store) {
    if (port.DeviceID() != MidiOutService::kMapper)
        return {};
    store.SetRootKey(RegRoot::CurrentUser);
    std::string name = store.ReadRegString(SettingsKey, kDeviceName, kMapperName);
    return name == kMapperName ? std::string() : name;
}

std::optional<int> DeviceIndexByName(MidiOutService& service, const std::string& name) {
    const unsigned count = service.deviceCount();
    for (unsigned index = 0; index < count; ++index) {
        std::string found;
        if (service.productName(static_cast<int>(index), found) == MidiError::NoError &&
            found == name)
            return static_cast<int>(index);
    }
    return std::nullopt;
}

void ChooseOutputDevice(TMidiOutput& port, PreferencesStore& store) {
    const UserRootOnExit userRoot(store);
    store.SetRootKey(RegRoot::LocalMachine);
    if (store.ReadRegInteger(MachineKey, kCheckedDevice, 0) != 0)
        UseRecordedDevice(port, store);
    else
        ProbeDevices(port, store);
}

} // namespace vireo
