#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

class MidiOutService;
class PreferencesStore;
class TMidiOutput;

// Tries the port's devices from index 0 upward until one's product name contains text
// (case-sensitive). True when found, the port then on that device; otherwise the port is left
// on the last device tried, or untouched when there is none. The mapper is never tried.
// A device whose name cannot be read raises the port's error.
bool FindDeviceByName(TMidiOutput& port, std::string_view text);

// Points the closed port at the output device for this user. The first time on a machine it
// probes the product names for "Multi-", then "MPU", records the probe per machine and the
// chosen name per user; later it looks the user's recorded name up again. When nothing fits,
// the mapper (-1) is used. Leaves the store's root on CurrentUser.
void ChooseOutputDevice(TMidiOutput& port, PreferencesStore& store);

// What ChooseOutputDevice looks for, in order, each by FindDeviceByName: the user's recorded
// device once the machine was probed, otherwise "Multi-", then "MPU". Reads only; leaves the
// store's root on CurrentUser.
std::vector<std::string> SearchedDevices(PreferencesStore& store);

// After ChooseOutputDevice: the user's recorded device when the port fell back to the mapper
// because that device is missing now; empty when the mapper is the user's own choice or the
// port is on a device.
std::string AwaitedDevice(const TMidiOutput& port, PreferencesStore& store);

// The index of the service's device whose product name is `name` now (the service lists
// again), or nullopt.
std::optional<int> DeviceIndexByName(MidiOutService& service, const std::string& name);

} // namespace vireo
