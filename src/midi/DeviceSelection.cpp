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

bool MachineProbed(PreferencesStore& store) {
    store.SetRootKey(RegRoot::LocalMachine);
    return store.ReadRegInteger(MachineKey, kCheckedDevice, 0) != 0;
}

std::string RecordedDevice(PreferencesStore& store) {
    store.SetRootKey(RegRoot::CurrentUser);
    return store.ReadRegString(SettingsKey, kDeviceName, kMapperName);
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

std::vector<std::string> SearchedDevices(PreferencesStore& store) {
    const UserRootOnExit userRoot(store);
    if (MachineProbed(store))
        return {RecordedDevice(store)};
    return {"Multi-", "MPU"};
}

void ChooseOutputDevice(TMidiOutput& port, PreferencesStore& store) {
    const UserRootOnExit userRoot(store);
    const bool probed = MachineProbed(store);
    bool found = false;
    for (const std::string& text : SearchedDevices(store))
        found = found || FindDeviceByName(port, text);
    if (!found)
        port.SetDeviceID(MidiOutService::kMapper);
    if (probed)
        return;
    store.SetRootKey(RegRoot::LocalMachine);
    store.WriteRegInteger(MachineKey, kCheckedDevice, 1);
    store.SetRootKey(RegRoot::CurrentUser);
    store.WriteRegString(SettingsKey, kDeviceName, port.ProductName());
}

} // namespace vireo
