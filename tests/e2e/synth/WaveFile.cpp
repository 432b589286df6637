#include "WaveFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace vireo::test {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint32_t LittleEndian(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

bool IdAt(std::span<const std::uint8_t> bytes, std::size_t at, const char* id) {
    return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, id, 4) == 0;
}

struct Chunk {
    std::span<const std::uint8_t> body;
    std::size_t next = 0;
};

// The chunk at `at`; a body that claims more than the file holds is cut to what is there
// (writers that stream leave the size unset).
std::optional<Chunk> ChunkAt(std::span<const std::uint8_t> file, std::size_t at) {
    if (file.size() < at + 8)
        return std::nullopt;
    const std::size_t size = LittleEndian(file, at + 4, 4);
    const std::size_t available = std::min(size, file.size() - at - 8);
    return Chunk{file.subspan(at + 8, available), at + 8 + size + (size & 1)};
}

std::string ReadFormat(std::span<const std::uint8_t> body, Wave& wave) {
    if (body.size() < 16)
        return "the format chunk is too short";
    const auto format = static_cast<std::uint16_t>(LittleEndian(body, 0, 2));
    const auto bits = LittleEndian(body, 14, 2);
    if ((format != kFormatPcm && format != kFormatExtensible) || bits != 16)
        return "only 16-bit PCM is read (format " + std::to_string(format) + ", " +
               std::to_string(bits) + " bits)";
    wave.channels = static_cast<int>(LittleEndian(body, 2, 2));
    wave.sampleRate = static_cast<int>(LittleEndian(body, 4, 4));
    if (wave.channels <= 0 || wave.sampleRate <= 0)
        return "no channels or no sample rate";
    return {};
}

void ReadSamples(std::span<const std::uint8_t> body, Wave& wave) {
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(wave.channels);
    const std::size_t count = body.size() / frameBytes * wave.channels;
    wave.samples.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto raw = static_cast<std::uint16_t>(LittleEndian(body, 2 * i, 2));
        wave.samples[i] = static_cast<float>(static_cast<std::int16_t>(raw)) / 32768.0f;
    }
}

} // namespace

double Wave::seconds() const {
    if (sampleRate <= 0 || channels <= 0)
        return 0;
    return static_cast<double>(samples.size() / channels) / sampleRate;
}

double Wave::rms(double fromSeconds, double toSeconds) const {
    const auto frameAt = [this](double t) {
        return static_cast<std::size_t>(std::max(0.0, std::round(t * sampleRate)));
    };
    const std::size_t from = frameAt(fromSeconds);
    const std::size_t to = frameAt(toSeconds);
    if (to <= from || channels <= 0)
        return 0;
    const std::size_t width = static_cast<std::size_t>(channels);
    const std::size_t end = std::min(to * width, samples.size());
    double sum = 0;
    for (std::size_t i = from * width; i < end; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>((to - from) * width));
}

WaveReadResult ParseWave(std::span<const std::uint8_t> file) {
    WaveReadResult result;
    if (!IdAt(file, 0, "RIFF") || !IdAt(file, 8, "WAVE")) {
        result.error = "not a RIFF WAVE file";
        return result;
    }
    bool haveFormat = false;
    std::size_t at = 12;
    while (const std::optional<Chunk> chunk = ChunkAt(file, at)) {
        if (IdAt(file, at, "fmt ")) {
            result.error = ReadFormat(chunk->body, result.wave);
            if (!result.error.empty())
                return result;
            haveFormat = true;
        } else if (IdAt(file, at, "data")) {
            if (!haveFormat)
                result.error = "sample data before the format chunk";
            else
                ReadSamples(chunk->body, result.wave);
            return result;
        }
        at = chunk->next;
    }
    result.error = "no sample data";
    return result;
}

} // namespace vireo::test
