#pragma once

#include <string>
#include <string_view>

namespace vireo {

inline constexpr std::string_view kMixerSettingsSection = "Mixer Settings";
inline constexpr std::string_view kNoEffect = "No Effect";

// The keys of a settings file, in the order they are written and applied.
namespace settings_key {
inline constexpr std::string_view VolumeLevel = "Volume Level";
inline constexpr std::string_view MIDILevel = "MIDI Level";
inline constexpr std::string_view MIDIReverbLevel = "MIDI Reverb Level";
inline constexpr std::string_view MIDIChorusLevel = "MIDI Chorus Level";
inline constexpr std::string_view ADPartLevel = "A/D Part Level";
inline constexpr std::string_view ReverbLevel = "Reverb Level";
inline constexpr std::string_view ChorusLevel = "Chorus Level";
inline constexpr std::string_view VariationLevel = "Variation Level";
inline constexpr std::string_view DryLevel = "Dry Level";
inline constexpr std::string_view ReverbEffect = "Reverb Effect";
inline constexpr std::string_view ChorusEffect = "Chorus Effect";
inline constexpr std::string_view VariationEffect = "Variation Effect";
inline constexpr std::string_view Lock = "Lock";
inline constexpr std::string_view PeriodicRefresh = "Periodic Refresh";
} // namespace settings_key

// One mixer state as a settings file holds it. Levels are the numbers as read, not yet held to
// 0..127 (the load does that as it applies them); effect names are the stored texts, matched
// against the lists' items by the load. A default-constructed record is what a missing file
// gives.
struct MixerSettings {
    int volumeLevel = 127;
    int midiLevel = 127;
    int midiReverbLevel = 0;
    int midiChorusLevel = 0;
    int adPartLevel = 127;
    int reverbLevel = 0;
    int chorusLevel = 0;
    int variationLevel = 0;
    int dryLevel = 127;
    std::string reverbEffect{kNoEffect};
    std::string chorusEffect{kNoEffect};
    std::string variationEffect{kNoEffect};
    bool lock = false;
    bool periodicRefresh = false;

    bool operator==(const MixerSettings&) const = default;
};

// A stored level held to the range of the level controls.
constexpr int HoldToLevel(int value) {
    return value < 0 ? 0 : value > 127 ? 127 : value;
}

// Reads the fourteen keys of the section "Mixer Settings" of the file at path. Whatever is
// missing or unreadable, the file itself included, silently takes its default.
MixerSettings ReadSettingsFile(const std::string& path);

struct SettingsWriteResult {
    bool written = false;
    std::string errorText; // "Unable to write to <path>" when not written

    explicit operator bool() const { return written; }
};

// Writes the fourteen keys into the section "Mixer Settings" of the file at path, keeping
// everything else in it, and replaces the file whole, or leaves it as it was and says why.
// The program's data folder is created when the file is to go there; other folders must
// exist.
SettingsWriteResult WriteSettingsFile(const std::string& path, const MixerSettings& settings);

} // namespace vireo
