#pragma once

// The MIDI output service over JACK alone, for the tests against a private JACK server, and
// waiting for one of its devices to appear.
#include "JackTestProcesses.h"
#include "midi/JackMidiSystem.h"
#include "midi/SystemMidiService.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace vireo::test {

inline std::unique_ptr<SystemMidiService>
JackOnlyService(const std::string& clientName = "Sonexa Vireo Mixer") {
    std::vector<std::unique_ptr<MidiSystem>> systems;
    systems.push_back(std::make_unique<JackMidiSystem>(clientName));
    return std::make_unique<SystemMidiService>(std::move(systems));
}

// The index of the device named `name` once it has appeared (listing again each time), or -1.
inline int WaitForDevice(MidiOutService& service, const std::string& name,
                         std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    int index = -1;
    WaitUntil(
        [&] {
            const unsigned count = service.deviceCount();
            for (unsigned i = 0; i < count && index < 0; ++i) {
                std::string found;
                if (service.productName(static_cast<int>(i), found) == MidiError::NoError &&
                    found == name)
                    index = static_cast<int>(i);
            }
            return index >= 0;
        },
        limit);
    return index;
}

} // namespace vireo::test
