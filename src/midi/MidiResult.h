#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vireo {

// Result of a MIDI output service call: 0 is success. The numbers follow the classic
// multimedia result codes, so that a native Windows service can pass its own through.
using MidiResult = std::uint16_t;

namespace MidiError {
inline constexpr MidiResult NoError = 0;
inline constexpr MidiResult Unspecified = 1;
inline constexpr MidiResult BadDeviceId = 2;
inline constexpr MidiResult NotEnabled = 3;
inline constexpr MidiResult Allocated = 4;
inline constexpr MidiResult InvalidHandle = 5;
inline constexpr MidiResult NoDriver = 6;
inline constexpr MidiResult NoMemory = 7;
inline constexpr MidiResult NotSupported = 8;
inline constexpr MidiResult InvalidParameter = 11;
inline constexpr MidiResult Unprepared = 64;
inline constexpr MidiResult StillPlaying = 65;
inline constexpr MidiResult NotReady = 67;
inline constexpr MidiResult NoDevice = 68;
} // namespace MidiError

// The text every service gives for one of the codes above; nullopt for any other code.
std::optional<std::string> StandardMidiErrorText(MidiResult code);

} // namespace vireo
