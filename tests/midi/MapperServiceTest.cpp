#include "midi/JackMidiSystem.h"
#include "midi/MidiSystemParts.h"
#include "midi/SystemMidiService.h"
#include "support/FakeMidiSystem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

using PatchSystem = test::FakeMidiSystem;

class MapperServiceTest : public testing::Test {
protected:
    MapperServiceTest() {
        auto a = std::make_unique<PatchSystem>(std::vector<std::string>{"Alsa Synth:0"});
        auto j = std::make_unique<PatchSystem>(std::vector<std::string>{"fluidsynth:midi_00"});
        alsa = a.get();
        jack = j.get();
        std::vector<std::unique_ptr<MidiSystem>> systems;
        systems.push_back(std::move(a));
        systems.push_back(std::move(j));
        service = std::make_unique<SystemMidiService>(std::move(systems));
    }

    PatchSystem* alsa;
    PatchSystem* jack;
    std::unique_ptr<SystemMidiService> service;
};

TEST_F(MapperServiceTest, ThePatchIsTheOwnPortsOnTheFirstSystemThatAnswers) {
    alsa->present = false;
    EXPECT_THAT(service->mapperPorts(), ElementsAre("fluidsynth:midi_00"));
    EXPECT_EQ(service->connectMapper("fluidsynth:midi_00"), MidiError::InvalidHandle);
    EXPECT_THAT(service->mapperConnections(), IsEmpty());

    MidiOutService::Handle handle = 0;
    ASSERT_EQ(service->open(MidiOutService::kMapper, handle), MidiError::NoError);
    EXPECT_EQ(service->connectMapper("fluidsynth:midi_00"), MidiError::NoError);
    EXPECT_THAT(service->mapperConnections(), ElementsAre("fluidsynth:midi_00"));
    EXPECT_THAT(alsa->wires, IsEmpty());
}

TEST_F(MapperServiceTest, TheOwnPortStaysOnItsSystemWhenAnEarlierOneComesUp) {
    alsa->present = false;
    MidiOutService::Handle handle = 0;
    ASSERT_EQ(service->open(MidiOutService::kMapper, handle), MidiError::NoError);
    ASSERT_EQ(service->close(handle), MidiError::NoError);
    alsa->present = true;
    EXPECT_EQ(service->connectMapper("fluidsynth:midi_00"), MidiError::NoError);
    EXPECT_THAT(jack->wires, ElementsAre("fluidsynth:midi_00"));
    EXPECT_THAT(service->mapperPorts(), ElementsAre("fluidsynth:midi_00"));
    ASSERT_EQ(service->open(MidiOutService::kMapper, handle), MidiError::NoError);
    EXPECT_FALSE(alsa->ownRegistered);
}

TEST_F(MapperServiceTest, NoSystemMeansNoPatch) {
    alsa->present = false;
    jack->present = false;
    EXPECT_THAT(service->mapperPorts(), IsEmpty());
    EXPECT_EQ(service->connectMapper("fluidsynth:midi_00"), MidiError::NoDriver);
}

TEST_F(MapperServiceTest, TheListenerReachesEverySystemAndIsTakenBack) {
    service->setChangeListener([] {});
    EXPECT_EQ(alsa->listeners, 1);
    EXPECT_EQ(jack->listeners, 1);
    service->setChangeListener({});
    EXPECT_EQ(alsa->listeners, 0);
    EXPECT_EQ(jack->listeners, 0);
}

TEST(JackPortNameTest, BridgeClientIdsAreDroppedAndEverythingElseKept) {
    EXPECT_EQ(CleanPortName("a2j:Midi Through [14] (playback): Midi Through Port-0"),
              "a2j:Midi Through (playback): Midi Through Port-0");
    EXPECT_EQ(CleanPortName("Midi-Bridge:USB Keys [20]:(playback_0) USB Keys MIDI 1"),
              "Midi-Bridge:USB Keys:(playback_0) USB Keys MIDI 1");
    EXPECT_EQ(CleanPortName("fluidsynth:midi_00"), "fluidsynth:midi_00");
    EXPECT_EQ(CleanPortName("synth [a1]:in [] [7"), "synth [a1]:in [] [7");
    EXPECT_EQ(CleanPortName("x [1] [22]:in"), "x:in");
}

} // namespace
} // namespace vireo
