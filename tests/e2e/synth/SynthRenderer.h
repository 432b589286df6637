#pragma once

#include "WaveFile.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vireo::test {

// What a synthesizer does with the mixer's messages, as measured on the version Debian ships.
// A check of something it ignores is skipped, not passed.
struct Honoured {
    bool masterVolume = false;
    bool channelVolume = false;
    bool reverbSend = false;
    // Reverb types (item texts of the reverb list) it gives a reverb of their own.
    std::set<std::string_view> reverbTypes;
    bool xgSystemOnReset = false;
    bool gsReset = false;
    bool gmSystemOnReset = false;
};

// A synthesizer that renders a MIDI file into a WAVE file with a small GM sound font.
struct Synthesizer {
    enum class Kind { TiMidity, FluidSynth };

    Kind kind;
    std::string name;
    QString program;
    Honoured honoured;

    static Synthesizer TiMidity();
    static Synthesizer FluidSynth();

    // The sound font both synthesizers play.
    static QString SoundFont();
    // Why it cannot render here (program or sound font missing); empty when it can.
    std::string missing() const;
    QStringList arguments(const QString& midiFile, const QString& waveFile,
                          const QString& folder) const;
};

// Names the synthesizer in test output.
void PrintTo(const Synthesizer& synth, std::ostream* out);

struct Rendering {
    Wave wave;
    std::string error; // empty when the file was rendered and read
};

// Renders each MIDI file, all at once, in a folder of their own; the results in the same order.
std::vector<Rendering> RenderAll(const Synthesizer& synth,
                                 const std::vector<std::vector<std::uint8_t>>& midiFiles,
                                 const QString& folder);

} // namespace vireo::test
