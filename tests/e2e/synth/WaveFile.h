#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vireo::test {

// The samples of a RIFF WAVE file of 16-bit PCM, interleaved, scaled to -1..1.
struct Wave {
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> samples;

    double seconds() const;
    // Root mean square over all channels between two times in seconds. Time past the end of
    // the recording counts as silence: a renderer stops once nothing sounds any more.
    double rms(double fromSeconds, double toSeconds) const;
};

struct WaveReadResult {
    Wave wave;
    std::string error; // empty when the file was read
};

WaveReadResult ParseWave(std::span<const std::uint8_t> file);

} // namespace vireo::test
