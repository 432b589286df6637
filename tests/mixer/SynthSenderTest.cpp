#include "mixer/SynthSender.h"

#include "midi/SimulatedMidiService.h"
#include "midi/TMidiOutput.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Op = SimulatedMidiService::Op;
using testing::ElementsAre;
using testing::IsEmpty;

class SynthSenderTest : public testing::Test {
protected:
    SynthSenderTest() { port.Open(); }

    std::vector<Bytes> sent() const { return service.sentMessages(); }

    SimulatedMidiService service{{"Synth"}};
    TMidiOutput port{service};
    SynthSender sender{port};
};

TEST_F(SynthSenderTest, ElevenBytesPassAndTwelveAreDroppedSilently) {
    const Bytes twelve(12, 0x00);
    EXPECT_NO_THROW(sender.SendSysEx(twelve));
    EXPECT_THAT(sent(), IsEmpty());

    sender.SendGSReset();
    EXPECT_THAT(sent(), ElementsAre(Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00,
                                          0x41, 0xF7}));
}

TEST_F(SynthSenderTest, InitializationSequenceGoesOutWholeWithItsZeroBytes) {
    sender.InitializeSynthesizer();
    const auto messages = sent();
    ASSERT_EQ(messages.size(), 8u);
    EXPECT_EQ(messages.front(), (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7F, 0x00, 0xF7}));
    EXPECT_EQ(messages.back(), (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x10, 0x00, 0x00, 0x00, 0xF7}));
}

TEST_F(SynthSenderTest, ADPartLevelGoesToPartZeroThenPartOne) {
    sender.SendADPartLevel(synth::ADParameter::ReverbSend, 100);
    EXPECT_THAT(sent(), ElementsAre(Bytes{0xF0, 0x43, 0x10, 0x4C, 0x10, 0x00, 0x13, 100, 0xF7},
                                    Bytes{0xF0, 0x43, 0x10, 0x4C, 0x10, 0x01, 0x13, 100, 0xF7}));
}

TEST_F(SynthSenderTest, ChannelControlAsksEachChannelsLevelInOrder) {
    sender.SendChannelControl(synth::ChannelController::ChorusSend,
                              [](int channel) { return 100 + channel; });
    const auto messages = sent();
    ASSERT_EQ(messages.size(), 16u);
    for (int n = 0; n < 16; ++n)
        EXPECT_EQ(messages[std::size_t(n)],
                  (Bytes{std::uint8_t(0xB0 + n), 0x5D, std::uint8_t(100 + n)}));
}

TEST_F(SynthSenderTest, LevelsOutsideTheDataRangeAreClamped) {
    sender.SendMasterVolume(200);
    sender.SendMasterVolume(-3);
    EXPECT_THAT(sent(), ElementsAre(Bytes{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x11, 0x7F, 0xF7},
                                    Bytes{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x11, 0x00, 0xF7}));
}

TEST_F(SynthSenderTest, EffectTypesByIndexAndNothingWithoutAPick) {
    sender.SendReverbType(-1);
    sender.SendChorusType(12);
    sender.SendVariationType(53);
    EXPECT_THAT(sent(), IsEmpty());

    sender.SendReverbType(4);     // Room2
    sender.SendChorusType(11);    // Flanger3
    sender.SendVariationType(45); // Thru
    EXPECT_THAT(sent(),
                ElementsAre(Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x02, 0x01, 0xF7},
                            Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x20, 0x43, 0x08, 0xF7},
                            Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x40, 0x40, 0x00, 0xF7}));
}

TEST_F(SynthSenderTest, PresetsSendTheirStepsInOrder) {
    sender.SendVariationType(48); // Vocal: steps 9 and 10
    EXPECT_THAT(sent(),
                ElementsAre(Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x40, 0x03, 0x00, 0xF7},
                            Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x42, 0x00, 0x20, 0xF7}));
    service.clearCalls();
    sender.SendVariationType(46); // Alien: steps 1 to 4
    EXPECT_THAT(sent(),
                ElementsAre(Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x40, 0x50, 0x00, 0xF7},
                            Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x42, 0x00, 0x58, 0xF7},
                            Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x46, 0x00, 0x40, 0xF7},
                            Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x48, 0x00, 0x40, 0xF7}));
    service.clearCalls();
    sender.SendVariationType(52); // Flash: steps 22 to 24, the end of the list
    EXPECT_THAT(sent(),
                ElementsAre(Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x40, 0x46, 0x00, 0xF7},
                            Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x42, 0x00, 0x6D, 0xF7},
                            Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x44, 0x00, 0x7F, 0xF7}));
}

TEST_F(SynthSenderTest, FailureInTheMiddleOfABurstEndsIt) {
    service.failAfter(Op::Short, 5, MidiError::NotReady);
    EXPECT_THROW(
        sender.SendChannelControl(synth::ChannelController::Volume, [](int) { return 64; }),
        EmidioutputError);
    const auto messages = sent();
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages.back()[0], 0xB4);
    EXPECT_EQ(std::count_if(service.calls().begin(), service.calls().end(),
                            [](const auto& c) { return c.op == Op::Short; }),
              6); // the sixth failed and nothing followed it
}

TEST_F(SynthSenderTest, FailureOnPartZeroLeavesPartOneUnsent) {
    service.failAfter(Op::Long, 0, MidiError::NotReady);
    EXPECT_THROW(sender.SendADPartLevel(synth::ADParameter::Volume, 1), EmidioutputError);
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_EQ(std::count_if(service.calls().begin(), service.calls().end(),
                            [](const auto& c) { return c.op == Op::Long; }),
              1);
}

TEST_F(SynthSenderTest, LockOnAndOff) {
    sender.SendLock(true);
    sender.SendLock(false);
    EXPECT_THAT(sent(), ElementsAre(Bytes{0xF0, 0x43, 0x10, 0x49, 0x01, 0x00, 0x01, 0x01, 0xF7},
                                    Bytes{0xF0, 0x43, 0x10, 0x49, 0x01, 0x00, 0x01, 0x00, 0xF7}));
}

} // namespace
} // namespace vireo
