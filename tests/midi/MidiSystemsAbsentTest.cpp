#include "midi/AlsaMidiSystem.h"
#include "midi/JackMidiSystem.h"
#include "midi/MidiSystemParts.h"
#include "midi/SystemMidiService.h"
#include "midi/TMidiOutput.h"
#include "platform/MixerDevices.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <unistd.h>

namespace vireo {
namespace {

TEST(AlsaPortName, LosesOnlyTheTrailingClientAndPortNumbers) {
    EXPECT_EQ(CleanPortName("Midi Through:Midi Through Port-0 14:0"),
              "Midi Through:Midi Through Port-0");
    EXPECT_EQ(CleanPortName("TiMidity:TiMidity port 0 128:0"), "TiMidity:TiMidity port 0");
    EXPECT_EQ(CleanPortName("USB2.0-MIDI:USB2.0-MIDI MIDI 1 20:1"),
              "USB2.0-MIDI:USB2.0-MIDI MIDI 1");
    EXPECT_EQ(CleanPortName("Client:Port"), "Client:Port");
    EXPECT_EQ(CleanPortName("A 1:2 B 3:4"), "A 1:2 B");
    EXPECT_EQ(CleanPortName("Synth 14:0 x"), "Synth 14:0 x");
    EXPECT_EQ(CleanPortName(""), "");
}

// The sound cards the kernel lists, counted without the ALSA library.
int SoundCardsListed() {
    std::ifstream cards("/proc/asound/cards");
    const std::regex card(R"(^ *\d+ \[.*)");
    int count = 0;
    for (std::string line; std::getline(cards, line);)
        count += std::regex_match(line, card) ? 1 : 0;
    return count;
}

// Points JACK clients at a server that does not exist.
class NoJackServer : public testing::Test {
protected:
    void SetUp() override {
        const std::string name = "vireo-absent-" + std::to_string(getpid());
        setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
    }
    void TearDown() override {
        unsetenv("JACK_DEFAULT_SERVER");
        unsetenv("JACK_NO_START_SERVER");
    }
};

TEST_F(NoJackServer, JackIsSkippedQuietlyAndHasNoDevicesAndNoMapper) {
    testing::internal::CaptureStderr();
    std::vector<std::unique_ptr<MidiSystem>> systems;
    systems.push_back(std::make_unique<JackMidiSystem>());
    SystemMidiService service(std::move(systems));
    std::string name;
    MidiOutService::Handle handle = 0;
    EXPECT_FALSE(JackServerAnswers());
    EXPECT_EQ(service.deviceCount(), 0u);
    EXPECT_EQ(service.productName(MidiOutService::kMapper, name), MidiError::NoDriver);
    EXPECT_EQ(service.open(MidiOutService::kMapper, handle), MidiError::NoDriver);
    EXPECT_EQ(service.open(0, handle), MidiError::BadDeviceId);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(NoJackServer, AJackPortCannotBeOpenedAndUnknownIdsAreInvalidHandles) {
    JackMidiSystem jack;
    int id = 0;
    const std::uint8_t message[] = {0xB0, 7, 100};
    EXPECT_EQ(jack.openPort(MidiSystem::Port{"synth:in", "synth:in"}, id), MidiError::NoDriver);
    EXPECT_EQ(jack.openOwnPort(id), MidiError::NoDriver);
    EXPECT_EQ(jack.send(1, message), MidiError::InvalidHandle);
    EXPECT_EQ(jack.reset(1), MidiError::InvalidHandle);
    EXPECT_EQ(jack.close(1), MidiError::InvalidHandle);
}

TEST_F(NoJackServer, ThePortOnTheMapperReportsTheMissingDriverAndOpensNothing) {
    std::vector<std::unique_ptr<MidiSystem>> systems;
    systems.push_back(std::make_unique<JackMidiSystem>());
    SystemMidiService service(std::move(systems));
    TMidiOutput port(service);
    EXPECT_EQ(port.NumDevs(), 0);
    EXPECT_THROW(port.ApplyStoredDescription(), EmidioutputError);
    EXPECT_EQ(port.DeviceID(), MidiOutService::kMapper);
    port.Open();
    EXPECT_EQ(port.LastError(), MidiError::NoDriver);
    EXPECT_EQ(port.State(), TMidiOutput::MidiState::Closed);
}

// Whatever this machine has, looking at it neither throws nor prints.
TEST_F(NoJackServer, TheMachinesServiceLooksQuietly) {
    testing::internal::CaptureStderr();
    SystemMidiService service;
    const unsigned count = service.deviceCount();
    std::string name;
    for (unsigned i = 0; i < count; ++i)
        EXPECT_EQ(service.productName(static_cast<int>(i), name), MidiError::NoError);
    EXPECT_EQ(MixerDeviceCount(), SoundCardsListed()); // no JACK server to add one
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(AlsaMidiSystem, UnknownIdsAreInvalidHandles) {
    AlsaMidiSystem alsa;
    const std::uint8_t message[] = {0xB0, 7, 100};
    EXPECT_EQ(alsa.send(1, message), MidiError::InvalidHandle);
    EXPECT_EQ(alsa.reset(1), MidiError::InvalidHandle);
    EXPECT_EQ(alsa.close(1), MidiError::InvalidHandle);
}

} // namespace
} // namespace vireo
