// The MIDI files the sound checks feed to the synthesizers and the reading of what they render.
#include "MidiFileWriter.h"
#include "WaveFile.h"
#include "mixer/MessageSet.h"

#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdexcept>

namespace vireo::test {
namespace {

using Bytes = MidiFileWriter::Bytes;
using testing::ElementsAre;
using testing::ElementsAreArray;

// The track's events: what follows the header, the track's own header and the tempo event.
Bytes TrackEvents(const Bytes& file) {
    constexpr std::size_t kEventsStart = 14 + 8 + 7;
    return Bytes(file.begin() + kEventsStart, file.end());
}

TEST(MidiFileWriterTest, VariableLengthQuantitiesUseSevenBitsAByte) {
    EXPECT_THAT(MidiFileWriter::VariableLength(0), ElementsAre(0x00));
    EXPECT_THAT(MidiFileWriter::VariableLength(0x7F), ElementsAre(0x7F));
    EXPECT_THAT(MidiFileWriter::VariableLength(0x80), ElementsAre(0x81, 0x00));
    EXPECT_THAT(MidiFileWriter::VariableLength(3000), ElementsAre(0x97, 0x38));
    EXPECT_THAT(MidiFileWriter::VariableLength(0x200000), ElementsAre(0x81, 0x80, 0x80, 0x00));
}

TEST(MidiFileWriterTest, HeaderTempoAndEndMakeAMillisecondClock) {
    MidiFileWriter writer;
    writer.wait(3000);
    const Bytes file = writer.bytes();
    EXPECT_THAT(Bytes(file.begin(), file.begin() + 14),
                ElementsAre('M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xF4));
    EXPECT_THAT(Bytes(file.begin() + 14, file.end()),
                ElementsAre('M', 'T', 'r', 'k', 0, 0, 0, 12,          // track of 12 bytes
                            0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, // 500000 us a quarter
                            0x97, 0x38, 0xFF, 0x2F, 0x00));           // end after 3000 ms
}

TEST(MidiFileWriterTest, SystemExclusiveIsStoredLengthPrefixedWithItsZeroBytes) {
    MidiFileWriter writer;
    writer.message(synth::InitializationSequence[0]);
    writer.wait(1);
    writer.message(synth::GSReset);
    EXPECT_THAT(TrackEvents(writer.bytes()),
                ElementsAre(0x00, 0xF0, 0x08, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7F, 0x00, 0xF7, 0x01,
                            0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7,
                            0x00, 0xFF, 0x2F, 0x00));
}

TEST(MidiFileWriterTest, ChannelMessagesKeepTheirOwnLength) {
    MidiFileWriter writer;
    writer.message(Bytes{0xBF, 0x5B, 0x7F});
    writer.message(Bytes{0xC0, 0x05});
    EXPECT_THAT(TrackEvents(writer.bytes()),
                ElementsAre(0x00, 0xBF, 0x5B, 0x7F, 0x00, 0xC0, 0x05, 0x00, 0xFF, 0x2F, 0x00));
}

TEST(MidiFileWriterTest, RefusesWhatIsNoMessage) {
    MidiFileWriter writer;
    EXPECT_THROW(writer.message(Bytes{}), std::invalid_argument);
    EXPECT_THROW(writer.message(Bytes{0xF0, 0x43, 0x10}), std::invalid_argument); // no F7
    EXPECT_THROW(writer.message(Bytes{0xB0, 0x07}), std::invalid_argument);       // cut short
    EXPECT_THROW(writer.message(Bytes{0x07, 0x64}), std::invalid_argument);       // no status
    EXPECT_THROW(writer.message(Bytes{0xFF, 0x2F, 0x00}), std::invalid_argument);
    EXPECT_THROW(writer.wait(-1), std::invalid_argument);
}

void PutLittleEndian(Bytes& out, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i) & 0xFF));
}

// A WAVE file of 16-bit samples with an extra chunk before the format, as writers may add.
Bytes WaveBytes(int channels, int rate, const std::vector<std::int16_t>& samples,
                std::uint16_t format = 1, std::uint16_t bits = 16) {
    Bytes out{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    out.insert(out.end(), {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0}); // odd: padded
    out.insert(out.end(), {'f', 'm', 't', ' ', 16, 0, 0, 0});
    PutLittleEndian(out, format, 2);
    PutLittleEndian(out, static_cast<std::uint32_t>(channels), 2);
    PutLittleEndian(out, static_cast<std::uint32_t>(rate), 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(rate * channels * 2), 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(channels * 2), 2);
    PutLittleEndian(out, bits, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    PutLittleEndian(out, static_cast<std::uint32_t>(samples.size() * 2), 4);
    for (std::int16_t sample : samples)
        PutLittleEndian(out, static_cast<std::uint16_t>(sample), 2);
    return out;
}

TEST(WaveFileTest, ReadsInterleavedSixteenBitSamplesPastOtherChunks) {
    const WaveReadResult read = ParseWave(WaveBytes(2, 4, {16384, -32768, 0, 32767}));
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.wave.channels, 2);
    EXPECT_EQ(read.wave.sampleRate, 4);
    EXPECT_THAT(read.wave.samples, ElementsAreArray({0.5f, -1.0f, 0.0f, 32767 / 32768.0f}));
    EXPECT_DOUBLE_EQ(read.wave.seconds(), 0.5);
}

TEST(WaveFileTest, DataSizeLargerThanTheFileKeepsTheWholeFramesThatAreThere) {
    Bytes file = WaveBytes(2, 8, {100, 200, 300, 400, 500});
    const std::size_t sizeField = file.size() - 5 * 2 - 4;
    file[sizeField] = file[sizeField + 1] = file[sizeField + 2] = file[sizeField + 3] = 0xFF;
    const WaveReadResult read = ParseWave(file);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.wave.samples.size(), 4u);
}

TEST(WaveFileTest, RefusesWhatItCannotMeasure) {
    EXPECT_NE(ParseWave(Bytes{'R', 'I', 'F', 'F'}).error, "");
    EXPECT_NE(ParseWave(WaveBytes(1, 8, {1, 2}, 3, 32)).error, ""); // float samples
    EXPECT_NE(ParseWave(WaveBytes(1, 8, {1, 2}, 1, 8)).error, "");
    EXPECT_NE(ParseWave(WaveBytes(0, 8, {1, 2})).error, "");
    Bytes noData = WaveBytes(1, 8, {});
    noData.resize(noData.size() - 8);
    EXPECT_NE(ParseWave(noData).error, "");
}

TEST(WaveFileTest, RmsCoversAllChannelsAndCountsTimePastTheEndAsSilence) {
    // One second at 4 frames a second, both channels at half scale, opposite signs.
    const WaveReadResult read =
        ParseWave(WaveBytes(2, 4, {16384, -16384, 16384, -16384, 16384, -16384, 16384, -16384}));
    ASSERT_EQ(read.error, "");
    EXPECT_DOUBLE_EQ(read.wave.rms(0, 1), 0.5);
    EXPECT_DOUBLE_EQ(read.wave.rms(0.5, 1.5), 0.5 * std::sqrt(0.5));
    EXPECT_DOUBLE_EQ(read.wave.rms(2, 3), 0);
    EXPECT_DOUBLE_EQ(read.wave.rms(1, 0.5), 0);
}

} // namespace
} // namespace vireo::test
