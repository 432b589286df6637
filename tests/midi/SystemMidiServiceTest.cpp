#include "midi/SystemMidiService.h"

#include "midi/ShortMessage.h"
#include "midi/TMidiOutput.h"
#include "support/FakeMidiSystem.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace vireo {
namespace {

using Bytes = std::vector<std::uint8_t>;

using FakeSystem = test::FakeMidiSystem;

class SystemMidiServiceTest : public testing::Test {
protected:
    SystemMidiServiceTest() {
        auto first = std::make_unique<FakeSystem>(
            std::vector<std::string>{"Midi Through:Port-0", "USB MIDI:Port 1"});
        auto second = std::make_unique<FakeSystem>(std::vector<std::string>{"fluidsynth:midi_00"});
        alsa = first.get();
        jack = second.get();
        std::vector<std::unique_ptr<MidiSystem>> systems;
        systems.push_back(std::move(first));
        systems.push_back(std::move(second));
        service = std::make_unique<SystemMidiService>(std::move(systems));
    }

    std::vector<std::string> names() {
        std::vector<std::string> result;
        const unsigned count = service->deviceCount();
        for (unsigned i = 0; i < count; ++i) {
            std::string name;
            EXPECT_EQ(service->productName(static_cast<int>(i), name), MidiError::NoError);
            result.push_back(name);
        }
        return result;
    }

    MidiOutService::Handle opened(int index) {
        MidiOutService::Handle handle = 0;
        EXPECT_EQ(service->open(index, handle), MidiError::NoError);
        return handle;
    }

    FakeSystem* alsa = nullptr;
    FakeSystem* jack = nullptr;
    std::unique_ptr<SystemMidiService> service;
};

TEST_F(SystemMidiServiceTest, ListsThePortsOfEverySystemInOneListInTheSystemsOrder) {
    EXPECT_EQ(names(), (std::vector<std::string>{"Midi Through:Port-0", "USB MIDI:Port 1",
                                                 "fluidsynth:midi_00"}));
    opened(2);
    opened(1);
    EXPECT_EQ(jack->openedKeys, (std::vector<std::string>{"key of fluidsynth:midi_00"}));
    EXPECT_EQ(alsa->openedKeys, (std::vector<std::string>{"key of USB MIDI:Port 1"}));
}

TEST_F(SystemMidiServiceTest, CountingScansAgainSoDevicesThatCameOrWentCount) {
    EXPECT_EQ(service->deviceCount(), 3u);
    jack->ports.push_back(MidiSystem::Port{"qsynth:midi", "qsynth"});
    alsa->present = false;
    EXPECT_EQ(names(), (std::vector<std::string>{"fluidsynth:midi_00", "qsynth:midi"}));

    std::string name = "unchanged";
    MidiOutService::Handle handle = 0;
    EXPECT_EQ(service->productName(2, name), MidiError::BadDeviceId);
    EXPECT_EQ(service->open(2, handle), MidiError::BadDeviceId);
    EXPECT_EQ(service->productName(-2, name), MidiError::BadDeviceId);
    EXPECT_EQ(name, "unchanged");
}

TEST_F(SystemMidiServiceTest, TheMapperIsTheOwnPortOnTheFirstSystemThatAnswers) {
    std::string name;
    EXPECT_EQ(service->productName(MidiOutService::kMapper, name), MidiError::NoError);
    EXPECT_EQ(name, "MIDI Mapper");
    opened(MidiOutService::kMapper);
    EXPECT_EQ(alsa->openedKeys, (std::vector<std::string>{"own"}));

    alsa->present = false;
    opened(MidiOutService::kMapper);
    EXPECT_EQ(jack->openedKeys, (std::vector<std::string>{"own"}));
}

TEST_F(SystemMidiServiceTest, WithNoSystemAnsweringThereIsNoDeviceAndNoMapper) {
    alsa->present = false;
    jack->present = false;
    std::string name;
    MidiOutService::Handle handle = 0;
    EXPECT_EQ(service->deviceCount(), 0u);
    EXPECT_EQ(service->productName(MidiOutService::kMapper, name), MidiError::NoDriver);
    EXPECT_EQ(service->open(MidiOutService::kMapper, handle), MidiError::NoDriver);
    EXPECT_EQ(service->open(0, handle), MidiError::BadDeviceId);
    EXPECT_EQ(handle, 0u);
}

TEST_F(SystemMidiServiceTest, ShortMessagesGoOutAsTheirWireBytesAndLongOnesWhole) {
    const MidiOutService::Handle handle = opened(2);
    const Bytes xgReset{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7F, 0x00, 0xF7};
    EXPECT_EQ(service->shortMessage(handle, PackShortMessage(0xB3, 7, 100)), MidiError::NoError);
    EXPECT_EQ(service->shortMessage(handle, PackShortMessage(0xC5, 12, 0)), MidiError::NoError);
    EXPECT_EQ(service->longMessage(handle, xgReset), MidiError::NoError);
    // Without a status byte, or without bytes, there is nothing to send.
    EXPECT_EQ(service->shortMessage(handle, PackShortMessage(0x33, 7, 100)),
              MidiError::InvalidParameter);
    EXPECT_EQ(service->longMessage(handle, {}), MidiError::InvalidParameter);

    ASSERT_EQ(jack->sent.size(), 3u);
    EXPECT_EQ(jack->sent[0].second, (Bytes{0xB3, 0x07, 0x64}));
    EXPECT_EQ(jack->sent[1].second, (Bytes{0xC5, 0x0C}));
    EXPECT_EQ(jack->sent[2].second, xgReset);
    EXPECT_EQ(jack->sent[0].first, jack->sent[2].first);
}

TEST_F(SystemMidiServiceTest, EveryCallOnAClosedOrUnknownHandleIsAnInvalidHandle) {
    const MidiOutService::Handle handle = opened(0);
    EXPECT_EQ(service->reset(handle), MidiError::NoError);
    EXPECT_EQ(service->close(handle), MidiError::NoError);
    EXPECT_TRUE(alsa->open.empty());
    for (MidiOutService::Handle h : {handle, MidiOutService::Handle{0}, handle + 1000}) {
        EXPECT_EQ(service->shortMessage(h, PackShortMessage(0xB0, 7, 1)), MidiError::InvalidHandle);
        EXPECT_EQ(service->longMessage(h, {0xF0, 0xF7}), MidiError::InvalidHandle);
        EXPECT_EQ(service->reset(h), MidiError::InvalidHandle);
        EXPECT_EQ(service->close(h), MidiError::InvalidHandle);
    }
    EXPECT_TRUE(alsa->sent.empty());
}

TEST_F(SystemMidiServiceTest, ASystemsRefusalComesBackAsItsCodeAndAFailedCloseKeepsTheHandle) {
    const MidiOutService::Handle handle = opened(2);
    jack->sendResult = MidiError::NotReady;
    EXPECT_EQ(service->shortMessage(handle, PackShortMessage(0xB0, 7, 1)), MidiError::NotReady);
    jack->closeResult = MidiError::StillPlaying;
    EXPECT_EQ(service->close(handle), MidiError::StillPlaying);
    jack->closeResult = MidiError::NoError;
    EXPECT_EQ(service->close(handle), MidiError::NoError);
}

TEST_F(SystemMidiServiceTest, PortsLeftOpenAreClosedWithTheService) {
    const auto alsaClosed = alsa->closed;
    const auto jackClosed = jack->closed;
    opened(0);
    opened(2);
    const MidiOutService::Handle closedEarlier = opened(1);
    service->close(closedEarlier);
    ASSERT_EQ(alsaClosed->size(), 1u);
    service.reset();
    EXPECT_EQ(alsaClosed->size(), 2u);
    EXPECT_EQ(jackClosed->size(), 1u);
}

TEST_F(SystemMidiServiceTest, ThePortRaisesTheServicesTextForASendOnAClosedDevice) {
    TMidiOutput port(*service);
    port.SetDeviceID(2);
    EXPECT_EQ(port.ProductName(), "fluidsynth:midi_00");
    try {
        port.PutShort(0xB0, 7, 100);
        FAIL() << "a send on a closed port went through";
    } catch (const EmidioutputError& error) {
        EXPECT_EQ(error.what(), *StandardMidiErrorText(MidiError::InvalidHandle));
    }
    EXPECT_EQ(port.LastError(), MidiError::InvalidHandle);
}

TEST_F(SystemMidiServiceTest, TellsOfTheLostDeviceOfAHandleAndCountsTheAnsweringServers) {
    jack->server = true;
    service->deviceCount();
    EXPECT_EQ(service->serversAnswering(), 1u);
    const MidiOutService::Handle synth = opened(2);
    const MidiOutService::Handle usb = opened(1);
    jack->lostIds.insert(*jack->open.begin());
    EXPECT_TRUE(service->deviceLost(synth));
    EXPECT_FALSE(service->deviceLost(usb));
    EXPECT_FALSE(service->deviceLost(0));
    jack->present = false;
    service->deviceCount();
    EXPECT_EQ(service->serversAnswering(), 0u);
}

} // namespace
} // namespace vireo
