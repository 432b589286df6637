#include "midi/AlsaMidiSystem.h"
#include "midi/AlsaStall.h"

#include <alsa/asoundlib.h>
#include <cerrno>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using namespace std::chrono_literals;

TEST(AlsaEvents, ASystemExclusiveMessageIsOneEventWithEveryByte) {
    const std::uint8_t message[] = {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x01, 0x10, 0xF7};
    const auto events = AlsaEvents(message);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, SND_SEQ_EVENT_SYSEX);
    ASSERT_EQ(events[0].data.ext.len, sizeof message);
    const auto* bytes = static_cast<const std::uint8_t*>(events[0].data.ext.ptr);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + sizeof message),
              std::vector<std::uint8_t>(std::begin(message), std::end(message)));
}

TEST(AlsaEvents, AControlChangeKeepsItsChannelControllerAndValue) {
    const std::uint8_t message[] = {0xB3, 0x07, 0x64};
    const auto events = AlsaEvents(message);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, SND_SEQ_EVENT_CONTROLLER);
    EXPECT_EQ(events[0].data.control.channel, 3);
    EXPECT_EQ(events[0].data.control.param, 7u);
    EXPECT_EQ(events[0].data.control.value, 100);
}

TEST(AlsaEvents, TwoShortMessagesInOneBufferAreTwoEventsAndAnIncompleteOneNone) {
    const std::uint8_t two[] = {0xB0, 0x5B, 0x28, 0xB1, 0x5D, 0x00};
    const auto events = AlsaEvents(two);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].data.control.channel, 1);
    EXPECT_EQ(events[1].data.control.param, 0x5Du);
    const std::uint8_t cut[] = {0xB0, 0x07};
    EXPECT_TRUE(AlsaEvents(cut).empty());
    EXPECT_TRUE(AlsaEvents({}).empty());
}

TEST(AlsaResultCodes, RefusalsOfTheSequencerBecomeTheServicesCodes) {
    EXPECT_EQ(AlsaResult(0), MidiError::NoError);
    EXPECT_EQ(AlsaResult(-EAGAIN), MidiError::NotReady);
    EXPECT_EQ(AlsaResult(-ENOENT), MidiError::NoDevice);
    EXPECT_EQ(AlsaResult(-ENXIO), MidiError::NoDevice);
    EXPECT_EQ(AlsaResult(-ENOMEM), MidiError::NoMemory);
    EXPECT_EQ(AlsaResult(-EPERM), MidiError::Allocated);
    EXPECT_EQ(AlsaResult(-EIO), MidiError::Unspecified);
}

class AlsaStallRule : public testing::Test {
protected:
    AlsaStall::Clock::time_point at(std::chrono::milliseconds offset) const {
        return start + offset;
    }
    AlsaStall stall;
    AlsaStall::Clock::time_point start = AlsaStall::Clock::now();
};

TEST_F(AlsaStallRule, AReceiverThatTakesNothingStallsOnceItHoldsMoreThanAFewForAWhile) {
    int waiting = 0;
    std::chrono::milliseconds now{0};
    bool stalled = false;
    int accepted = 0;
    // A send every 100 ms, two cells each, none taken.
    while (!stalled && now < 10s) {
        stalled = stall.stalled(waiting, at(now));
        if (!stalled) {
            waiting += 2;
            stall.sent(waiting);
            ++accepted;
        }
        now += 100ms;
    }
    EXPECT_TRUE(stalled);
    EXPECT_GT(waiting, AlsaStall::kPatientCells);
    EXPECT_LE(accepted, 10) << "too many messages wait behind a receiver that reads nothing";
    EXPECT_TRUE(stall.stalled(waiting, at(now + 5s))) << "it stays stalled until it reads";
}

TEST_F(AlsaStallRule, AReceiverThatReadsIsNeverStalledHoweverMuchWaits) {
    int waiting = 0;
    for (int send = 0; send < 100; ++send) {
        const auto now = at(std::chrono::milliseconds(send * 100));
        ASSERT_FALSE(stall.stalled(waiting, now)) << "send " << send;
        waiting += 40; // a burst lands
        stall.sent(waiting);
        waiting -= 30; // the receiver takes some of it before the next send
    }
}

TEST_F(AlsaStallRule, ABurstIntoAReceiverThatPausesBrieflyIsNotAStall) {
    int waiting = 0;
    for (int send = 0; send < 70; ++send) {
        ASSERT_FALSE(stall.stalled(waiting, at(std::chrono::milliseconds(send))));
        waiting += 2;
        stall.sent(waiting);
    }
}

TEST_F(AlsaStallRule, AStalledReceiverThatReadsAgainIsTakenAgainAtOnce) {
    ASSERT_FALSE(stall.stalled(0, at(0ms)));
    stall.sent(40);
    ASSERT_TRUE(stall.stalled(40, at(600ms)));
    EXPECT_FALSE(stall.stalled(38, at(700ms)));
    stall.sent(40);
    EXPECT_FALSE(stall.stalled(40, at(800ms)));
    EXPECT_TRUE(stall.stalled(40, at(1300ms)));
    EXPECT_FALSE(stall.stalled(0, at(1400ms)));
}

} // namespace
} // namespace vireo
