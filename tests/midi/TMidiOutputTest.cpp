#include "midi/SimulatedMidiService.h"
#include "midi/TMidiOutput.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using Op = SimulatedMidiService::Op;
using Bytes = std::vector<std::uint8_t>;
using testing::ElementsAre;
using testing::IsEmpty;

class TMidiOutputTest : public testing::Test {
protected:
    SimulatedMidiService service{{"Synth A", "Synth B"}};
    TMidiOutput port{service};

    std::size_t callCount(Op op) const
    {
        return std::count_if(service.calls().begin(), service.calls().end(),
                             [op](const auto& call) { return call.op == op; });
    }

    template <typename F>
    std::string errorOf(F&& f)
    {
        try {
            f();
        } catch (const EmidioutputError& e) {
            return e.what();
        }
        return "(no error)";
    }
};

TEST_F(TMidiOutputTest, StartsClosedOnDeviceZeroWithTheCountOfDevices)
{
    EXPECT_EQ(port.State(), TMidiOutput::MidiState::Closed);
    EXPECT_EQ(port.DeviceID(), 0);
    EXPECT_EQ(port.Handle(), 0u);
    EXPECT_EQ(port.NumDevs(), 2);
    EXPECT_EQ(port.ProductName(), "");
}

TEST_F(TMidiOutputTest, StoredDescriptionLeavesThePortOnTheMapperWithItsReportedName)
{
    service.setMapperName("Mapper as reported");
    port.ApplyStoredDescription();
    EXPECT_EQ(port.DeviceID(), -1);
    EXPECT_EQ(port.ProductName(), "Mapper as reported");
}

TEST_F(TMidiOutputTest, DeviceIdRangeFollowsTheCountAndAcceptsTheMapper)
{
    port.SetDeviceID(1);
    EXPECT_EQ(port.ProductName(), "Synth B");
    EXPECT_EQ(errorOf([&] { port.SetDeviceID(2); }), "Invalid device ID");
    EXPECT_EQ(port.DeviceID(), 1);
    EXPECT_EQ(port.ProductName(), "Synth B");

    service.setDevices({});
    port.SetDeviceID(-1);
    EXPECT_EQ(port.ProductName(), "MIDI Mapper");
}

TEST_F(TMidiOutputTest, MinusTwoPassesTheRangeTestAndFailsInTheCapabilityQuery)
{
    port.SetDeviceID(1);
    const std::string error = errorOf([&] { port.SetDeviceID(-2); });
    EXPECT_EQ(error, *StandardMidiErrorText(MidiError::BadDeviceId));
    EXPECT_EQ(port.DeviceID(), -2);
    EXPECT_EQ(port.ProductName(), "Synth B");
    EXPECT_EQ(port.LastError(), MidiError::BadDeviceId);
}

TEST_F(TMidiOutputTest, FailedCapabilityQueryKeepsNewIdAndOldName)
{
    port.SetDeviceID(0);
    service.failProductName(1, MidiError::NoDriver);
    EXPECT_EQ(errorOf([&] { port.SetDeviceID(1); }), *StandardMidiErrorText(MidiError::NoDriver));
    EXPECT_EQ(port.DeviceID(), 1);
    EXPECT_EQ(port.ProductName(), "Synth A");
}

TEST_F(TMidiOutputTest, SettersRefuseWhileOpenAndLeaveTheSelection)
{
    port.SetDeviceID(1);
    port.Open();
    ASSERT_EQ(port.State(), TMidiOutput::MidiState::Opened);
    EXPECT_EQ(errorOf([&] { port.SetDeviceID(0); }), "Change to DeviceID while device was open");
    EXPECT_EQ(errorOf([&] { port.SetProductName("Synth A"); }),
              "Change to ProductName while device was open");
    EXPECT_EQ(port.DeviceID(), 1);
    EXPECT_EQ(port.ProductName(), "Synth B");
}

TEST_F(TMidiOutputTest, ProductNameSetterFindsTheExactNameOrNamesTheMissingDevice)
{
    port.SetProductName("Synth B");
    EXPECT_EQ(port.DeviceID(), 1);
    port.SetProductName("MIDI Mapper");
    EXPECT_EQ(port.DeviceID(), -1);

    EXPECT_EQ(errorOf([&] { port.SetProductName("synth b"); }),
              "MIDI output Device synth b not installed");
    EXPECT_EQ(errorOf([&] { port.SetProductName("Synth"); }),
              "MIDI output Device Synth not installed");
    EXPECT_EQ(port.DeviceID(), -1);
}

TEST_F(TMidiOutputTest, ProductNameOfAVanishedDeviceEndsInInvalidDeviceId)
{
    port.SetProductName("Synth B");
    service.setDevices({"Synth A"});
    EXPECT_EQ(errorOf([&] { port.SetProductName("Synth B"); }), "Invalid device ID");
}

TEST_F(TMidiOutputTest, ProductNameSetterIsIgnoredWhileTheDescriptionLoads)
{
    service.setDevices({});
    service.failProductName(-1, MidiError::NoDriver);
    service.clearCalls();
    EXPECT_THROW(port.ApplyStoredDescription(), EmidioutputError); // the mapper query fails
    EXPECT_EQ(callCount(Op::ProductName), 1u); // only DeviceID's query: the name step looked nowhere
}

TEST_F(TMidiOutputTest, RefusedOpenRaisesNothingAndLaterCloseCallsNothing)
{
    service.failOpen(0, MidiError::Allocated);
    port.SetDeviceID(0);
    EXPECT_NO_THROW(port.Open());
    EXPECT_EQ(port.State(), TMidiOutput::MidiState::Closed);
    EXPECT_EQ(port.LastError(), MidiError::Allocated);

    service.clearCalls();
    port.Close();
    port.Close();
    EXPECT_THAT(service.calls(), IsEmpty());
    EXPECT_EQ(port.LastError(), MidiError::Allocated);
}

TEST_F(TMidiOutputTest, CloseResetsThenClosesAndForgetsTheHandle)
{
    port.Open();
    const auto handle = port.Handle();
    ASSERT_NE(handle, 0u);
    service.clearCalls();
    port.Close();
    ASSERT_EQ(service.calls().size(), 2u);
    EXPECT_EQ(service.calls()[0].op, Op::Reset);
    EXPECT_EQ(service.calls()[1].op, Op::Close);
    EXPECT_EQ(service.calls()[1].handle, handle);
    EXPECT_EQ(port.State(), TMidiOutput::MidiState::Closed);
    EXPECT_EQ(port.Handle(), 0u);
    EXPECT_FALSE(service.isOpen(handle));
}

TEST_F(TMidiOutputTest, FailedResetOrCloseKeepsThePortOpenOnItsHandle)
{
    port.Open();
    const auto handle = port.Handle();
    service.failAfter(Op::Reset, 0, MidiError::NotReady);
    EXPECT_EQ(errorOf([&] { port.Close(); }), *StandardMidiErrorText(MidiError::NotReady));
    EXPECT_EQ(port.State(), TMidiOutput::MidiState::Opened);
    EXPECT_EQ(port.Handle(), handle);

    service.failAfter(Op::Close, 0, MidiError::StillPlaying);
    EXPECT_THROW(port.Close(), EmidioutputError);
    EXPECT_EQ(port.State(), TMidiOutput::MidiState::Opened);
    port.Close();
    EXPECT_EQ(port.State(), TMidiOutput::MidiState::Closed);
}

TEST_F(TMidiOutputTest, ShortMessageIsPackedLowByteFirstFromTheLowBitsOfEachArgument)
{
    port.Open();
    port.PutShort(0xB3, 7, 100);
    port.PutShort(0x1B3, 0x207, 0x364);
    EXPECT_THAT(service.sentMessages(), ElementsAre(Bytes{0xB3, 0x07, 0x64}, Bytes{0xB3, 0x07, 0x64}));
}

TEST_F(TMidiOutputTest, LongMessageIsACopyTakenWhenPutLongReturns)
{
    port.Open();
    std::uint8_t buffer[] = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7F, 0x00, 0xF7};
    port.PutLong(buffer, sizeof buffer);
    std::fill(std::begin(buffer), std::end(buffer), 0);
    EXPECT_THAT(service.sentMessages(),
                ElementsAre(Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7F, 0x00, 0xF7}));
}

TEST_F(TMidiOutputTest, SendsOnAClosedPortFailWithTheServiceText)
{
    const std::string invalid = *StandardMidiErrorText(MidiError::InvalidHandle);
    const std::uint8_t bytes[] = {0xF0, 0xF7};
    EXPECT_EQ(errorOf([&] { port.PutShort(0xB0, 7, 1); }), invalid);
    EXPECT_EQ(errorOf([&] { port.PutLong(bytes, 2); }), invalid);
    EXPECT_EQ(port.LastError(), MidiError::InvalidHandle);
    EXPECT_EQ(port.State(), TMidiOutput::MidiState::Closed);
    EXPECT_THAT(service.sentMessages(), IsEmpty());
}

TEST_F(TMidiOutputTest, FailedLongMessageIsNotSentAndRaisesItsText)
{
    port.Open();
    service.failAfter(Op::Long, 0, MidiError::NotReady);
    const std::uint8_t bytes[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_THROW(port.PutLong(bytes, sizeof bytes), EmidioutputError);
    EXPECT_EQ(port.LastError(), MidiError::NotReady);
    EXPECT_THAT(service.sentMessages(), IsEmpty());
}

TEST_F(TMidiOutputTest, PutEventNeedsAnOpenPortAndDispatchesByItsLongData)
{
    EXPECT_EQ(errorOf([&] { port.PutEvent({0x90, 60, 100}); }), "MIDI Output device not open");
    EXPECT_TRUE(service.calls().size() == 1u); // only the construction's device count

    port.Open();
    const std::uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    port.PutEvent({0x90, 60, 100});
    port.PutEvent({0, 0, 0, sizeof sysex, sysex});
    EXPECT_THAT(service.sentMessages(),
                ElementsAre(Bytes{0x90, 60, 100}, Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
}

TEST_F(TMidiOutputTest, ErrorTextFallsBackToTheOutOfRangeText)
{
    service.setErrorText(MidiError::NotReady, std::nullopt);
    service.setErrorText(MidiError::NoDriver, "driver says no");
    EXPECT_EQ(port.GetErrorText(999), "Specified error number is out of range");
    EXPECT_EQ(port.GetErrorText(MidiError::NotReady), "Specified error number is out of range");
    EXPECT_EQ(port.GetErrorText(MidiError::NoDriver), "driver says no");
}

TEST(TMidiOutputLifetime, DestructionClosesAnOpenPortAndSwallowsAFailedClose)
{
    SimulatedMidiService service{{"Synth"}};
    MidiOutService::Handle handle = 0;
    {
        TMidiOutput port{service};
        port.Open();
        handle = port.Handle();
    }
    EXPECT_FALSE(service.isOpen(handle));

    {
        TMidiOutput port{service};
        port.Open();
        handle = port.Handle();
        service.failAfter(Op::Close, 0, MidiError::StillPlaying);
    }
    EXPECT_TRUE(service.isOpen(handle));
}

} // namespace
} // namespace vireo
