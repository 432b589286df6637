#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vireo::test {

// Builds a Standard MIDI File of one track (format 0) from messages as they go on the wire.
// One tick lasts one millisecond (500 ticks per quarter note at 120 beats per minute).
class MidiFileWriter {
public:
    using Bytes = std::vector<std::uint8_t>;

    static constexpr int kTicksPerQuarter = 500;
    static constexpr std::uint32_t kMicrosecondsPerQuarter = 500'000;

    MidiFileWriter();

    // Lets `milliseconds` pass before the next event.
    void wait(int milliseconds);
    // One message: a system-exclusive string (F0 ... F7), stored length-prefixed, or a short
    // channel message of as many bytes as its status byte takes. Throws std::invalid_argument
    // for anything else.
    void message(std::span<const std::uint8_t> bytes);
    // The whole file, its track closed with an end-of-track event.
    Bytes bytes() const;

    // A MIDI variable-length quantity: seven bits a byte, most significant first.
    static Bytes VariableLength(std::uint32_t value);

private:
    void event(std::span<const std::uint8_t> body);

    Bytes track_;
    std::uint32_t pendingDelta_ = 0;
};

} // namespace vireo::test
