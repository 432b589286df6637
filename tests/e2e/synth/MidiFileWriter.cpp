#include "MidiFileWriter.h"

#include "midi/ShortMessage.h"

#include <stdexcept>

namespace vireo::test {
namespace {

void AppendBigEndian(MidiFileWriter::Bytes& out, std::uint32_t value, int byteCount) {
    for (int shift = 8 * (byteCount - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift & 0xFF));
}

void AppendChunk(MidiFileWriter::Bytes& out, const char (&id)[5],
                 const MidiFileWriter::Bytes& body) {
    out.insert(out.end(), id, id + 4);
    AppendBigEndian(out, static_cast<std::uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
}

} // namespace

MidiFileWriter::MidiFileWriter() {
    const std::uint32_t tempo = kMicrosecondsPerQuarter;
    const std::uint8_t setTempo[] = {0xFF,
                                     0x51,
                                     0x03,
                                     std::uint8_t(tempo >> 16),
                                     std::uint8_t(tempo >> 8 & 0xFF),
                                     std::uint8_t(tempo & 0xFF)};
    event(setTempo);
}

MidiFileWriter::Bytes MidiFileWriter::VariableLength(std::uint32_t value) {
    Bytes out{static_cast<std::uint8_t>(value & 0x7F)};
    for (value >>= 7; value != 0; value >>= 7)
        out.insert(out.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    return out;
}

void MidiFileWriter::wait(int milliseconds) {
    if (milliseconds < 0)
        throw std::invalid_argument("a MIDI file cannot go back in time");
    pendingDelta_ += static_cast<std::uint32_t>(milliseconds);
}

void MidiFileWriter::message(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        throw std::invalid_argument("empty MIDI message");
    if (bytes.front() == 0xF0) {
        if (bytes.size() < 2 || bytes.back() != 0xF7)
            throw std::invalid_argument("system-exclusive message without its closing F7");
        Bytes body{0xF0};
        const Bytes length = VariableLength(static_cast<std::uint32_t>(bytes.size() - 1));
        body.insert(body.end(), length.begin(), length.end());
        body.insert(body.end(), bytes.begin() + 1, bytes.end());
        event(body);
        return;
    }
    if (bytes.front() >= 0xF0 || bytes.size() != ShortMessageLength(bytes.front()))
        throw std::invalid_argument("not a channel message");
    event(bytes);
}

void MidiFileWriter::event(std::span<const std::uint8_t> body) {
    const Bytes delta = VariableLength(pendingDelta_);
    track_.insert(track_.end(), delta.begin(), delta.end());
    track_.insert(track_.end(), body.begin(), body.end());
    pendingDelta_ = 0;
}

MidiFileWriter::Bytes MidiFileWriter::bytes() const {
    Bytes header;
    AppendBigEndian(header, 0, 2); // format 0
    AppendBigEndian(header, 1, 2); // one track
    AppendBigEndian(header, kTicksPerQuarter, 2);

    Bytes track = track_;
    const Bytes delta = VariableLength(pendingDelta_);
    track.insert(track.end(), delta.begin(), delta.end());
    track.insert(track.end(), {0xFF, 0x2F, 0x00});

    Bytes file;
    AppendChunk(file, "MThd", header);
    AppendChunk(file, "MTrk", track);
    return file;
}

} // namespace vireo::test
