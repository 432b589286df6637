#pragma once

// What the synthesizer's port must receive, written from the documented bytes of each message
// and the documented order of each composite send, independently of the program's own tables.

#include <cstdint>
#include <string>
#include <vector>

namespace vireo::test::xg {

using Message = std::vector<std::uint8_t>;
using Messages = std::vector<Message>;

// An effect list item as a settings file names it, with the messages its type stands for.
struct Effect {
    std::string name;
    Messages type;
};

// Reverb, chorus and variation items used by the suite.
Effect NoReverb();
Effect Hall2();
Effect WhiteRoom();
Effect NoChorus();
Effect Chorus4();
Effect Flanger3();
Effect NoVariation();
Effect Vocal();
Effect Flash();

Messages Initialization();
Message MasterVolume(int level);
// Sixteen control changes, channel 0 first.
Messages AllChannels(std::uint8_t controller, int level);
inline constexpr std::uint8_t kChannelVolume = 0x07;
inline constexpr std::uint8_t kChannelReverb = 0x5B;
inline constexpr std::uint8_t kChannelChorus = 0x5D;
// The two A/D part messages of one parameter, part 0 first.
Messages BothADParts(std::uint8_t parameter, int level);
inline constexpr std::uint8_t kADVolume = 0x0B;
inline constexpr std::uint8_t kADDry = 0x11;
inline constexpr std::uint8_t kADChorus = 0x12;
inline constexpr std::uint8_t kADReverb = 0x13;
inline constexpr std::uint8_t kADVariation = 0x14;
Message Lock(bool on);

// One whole mixer state as a settings file holds it (periodic refresh off).
struct MixerState {
    int volume = 127;
    int midiVolume = 127;
    int midiReverb = 0;
    int midiChorus = 0;
    int adVolume = 127;
    int reverb = 0;
    int chorus = 0;
    int variation = 0;
    int dry = 127;
    Effect reverbEffect = NoReverb();
    Effect chorusEffect = NoChorus();
    Effect variationEffect = NoVariation();
    bool lock = false;

    // The "Mixer Settings" section with all fourteen keys.
    std::string FileText() const;
};

// A state with every level off its default and a preset of each effect kind.
MixerState SampleState(bool lock);

// A load with the MIDI panel folded, as at start-up; `lockBefore` is the lock state the window
// had, since an unchanged lock sends nothing.
Messages Load(const MixerState& state, bool lockBefore);
// The current settings as Reset and the Preferences dialog's OK re-send them after the
// initialisation, with the MIDI panel folded.
Messages CurrentSettings(const MixerState& state);

// `first`, then `second`.
Messages Concat(Messages first, const Messages& second);

// Messages as lines of hexadecimal bytes, one a message, so that a failed comparison shows
// the lines that differ.
std::string Hex(const Messages& messages);

} // namespace vireo::test::xg
