// The program's own JACK port (the mapper) against a real JACK server and a real receiver
// (jack_midi_dump): its wires outlive close and open, closing delivers what was sent, ports are
// found by names without the bridge's client ids, and a stopped server is answered at once.
#include "JackService.h"
#include "midi/JackMidiSystem.h"
#include "midi/SystemMidiService.h"
#include "midi/TMidiOutput.h"
#include "mixer/SynthSender.h"

#include <atomic>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iostream>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;
using Message = MidiDump::Message;
using testing::ElementsAre;

constexpr const char* kOwnPort = "Sonexa Vireo Mixer:Sonexa Vireo Mixer";

template <std::size_t N> Message Bytes(const synth::SysEx<N>& sysEx) {
    return Message(sysEx.begin(), sysEx.end());
}

bool HasDevice(MidiOutService& service, const std::string& name) {
    const unsigned count = service.deviceCount();
    for (unsigned i = 0; i < count; ++i) {
        std::string found;
        if (service.productName(static_cast<int>(i), found) == MidiError::NoError && found == name)
            return true;
    }
    return false;
}

class OwnPort : public testing::Test {
protected:
    void SetUp() override {
        if (!PrivateJackServer::Installed())
            GTEST_SKIP() << "jackd or jack_midi_dump is not installed: no JACK end-to-end tests";
        server = std::make_unique<PrivateJackServer>();
        ASSERT_TRUE(server->running()) << server->startError();
    }

    MidiDump& StartDump(const std::string& client) {
        dumps.push_back(std::make_unique<MidiDump>(client));
        EXPECT_TRUE(dumps.back()->started()) << "jack_midi_dump did not start";
        return *dumps.back();
    }

    // The mapper opened, once the dump's port is there to be wired.
    void OpenMapper(TMidiOutput& port, const MidiDump& dump) {
        ASSERT_TRUE(WaitUntil([&] { return HasDevice(*service, dump.port()); }, 20s));
        port.ApplyStoredDescription();
        port.Open();
        ASSERT_EQ(port.LastError(), MidiError::NoError);
    }

    // Destroyed in reverse, the server first: a JACK server ends at once while its clients
    // are still there, but takes seconds after one has just died.
    std::unique_ptr<SystemMidiService> service = JackOnlyService();
    std::vector<std::unique_ptr<MidiDump>> dumps;
    std::unique_ptr<PrivateJackServer> server;
};

TEST_F(OwnPort, CloseAndOpenKeepItsWireAndTheNextMessagesArrive) {
    MidiDump& dump = StartDump("synth");
    TMidiOutput port(*service);
    ASSERT_NO_FATAL_FAILURE(OpenMapper(port, dump));
    ASSERT_TRUE(ConnectPorts(kOwnPort, dump.port(), 20s));
    port.PutLong(synth::GSReset);
    ASSERT_TRUE(dump.waitForMessages(1, 20s));

    for (int round = 0; round < 3; ++round) {
        port.Close();
        EXPECT_THAT(service->mapperConnections(), ElementsAre(dump.port()));
        port.Open();
        ASSERT_EQ(port.LastError(), MidiError::NoError);
    }
    port.PutLong(synth::LockOn);
    ASSERT_TRUE(dump.waitForMessages(2, 20s)) << "nothing came after the device was reopened";
    EXPECT_EQ(dump.messages(), (std::vector<Message>{Bytes(synth::GSReset), Bytes(synth::LockOn)}));
}

TEST_F(OwnPort, CloseDeliversEveryMessageSentBeforeIt) {
    MidiDump& dump = StartDump("synth");
    TMidiOutput port(*service);
    ASSERT_NO_FATAL_FAILURE(OpenMapper(port, dump));
    ASSERT_EQ(service->connectMapper(dump.port()), MidiError::NoError);
    SynthSender sender(port);
    std::vector<Message> expected;
    for (int level = 0; level < 4; ++level) {
        sender.InitializeSynthesizer();
        for (const auto& step : synth::InitializationSequence)
            expected.push_back(Bytes(step));
        sender.SendChannelControl(synth::ChannelController::Volume,
                                  [level](int channel) { return level * 16 + channel; });
        for (std::uint8_t channel = 0; channel < 16; ++channel)
            expected.push_back(Message{static_cast<std::uint8_t>(0xB0 + channel), 0x07,
                                       static_cast<std::uint8_t>(level * 16 + channel)});
    }
    port.Close(); // at once: nothing has gone out yet
    ASSERT_TRUE(dump.waitForMessages(expected.size(), 20s))
        << "received " << dump.messages().size() << " of " << expected.size();
    EXPECT_EQ(dump.messages(), expected);
}

TEST_F(OwnPort, PortsAreNamedWithoutTheBridgesClientIdsAndWiredByThatName) {
    MidiDump& dump = StartDump("Midi Through [14]");
    const std::string product = "Midi Through:input";
    TMidiOutput port(*service);
    ASSERT_TRUE(WaitUntil([&] { return HasDevice(*service, product); }, 20s))
        << "no device named " << product;
    port.ApplyStoredDescription();
    port.Open();
    ASSERT_EQ(port.LastError(), MidiError::NoError);
    ASSERT_EQ(service->connectMapper(product), MidiError::NoError);
    EXPECT_THAT(service->mapperConnections(), ElementsAre(product));
    EXPECT_EQ(service->connectMapper("Midi Through [14]:input"), MidiError::NoDevice);
    port.PutLong(synth::XGSystemOn);
    ASSERT_TRUE(dump.waitForMessages(1, 20s));
    EXPECT_EQ(dump.messages(), std::vector<Message>{Bytes(synth::XGSystemOn)});

    // The same device as a device of its own, chosen by that name.
    port.Close();
    port.SetProductName(product);
    EXPECT_GE(port.DeviceID(), 0);
    EXPECT_EQ(port.ProductName(), product);
}

TEST_F(OwnPort, TellsOfANewWireAndOfAPortThatAppears) {
    auto changes = std::make_shared<std::atomic<int>>(0);
    service->setChangeListener([changes] { ++*changes; });
    MidiDump& first = StartDump("synth");
    TMidiOutput port(*service);
    ASSERT_NO_FATAL_FAILURE(OpenMapper(port, first));

    *changes = 0;
    ASSERT_TRUE(ConnectPorts(kOwnPort, first.port(), 20s));
    EXPECT_TRUE(WaitUntil([&] { return *changes > 0; }, 20s)) << "no word of the new wire";
    *changes = 0;
    MidiDump& second = StartDump("sampler");
    EXPECT_TRUE(WaitUntil([&] { return *changes > 0; }, 20s)) << "no word of the new port";
    EXPECT_TRUE(WaitUntil([&] { return HasDevice(*service, second.port()); }, 20s));
}

TEST_F(OwnPort, AStoppedServerIsAnsweredWithAnErrorAndLosesNothing) {
    MidiDump& dump = StartDump("synth");
    TMidiOutput port(*service);
    ASSERT_NO_FATAL_FAILURE(OpenMapper(port, dump));
    ASSERT_EQ(service->connectMapper(dump.port()), MidiError::NoError);
    port.PutLong(synth::GSReset);
    ASSERT_TRUE(dump.waitForMessages(1, 20s));

    server->pause();
    port.PutLong(synth::LockOn); // accepted, but no cycle runs to send it
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(port.Close(), EmidioutputError);
    const auto closed = std::chrono::steady_clock::now();
    EXPECT_EQ(port.LastError(), MidiError::NotReady);
    EXPECT_EQ(port.State(), TMidiOutput::MidiState::Opened);
    const unsigned count = service->deviceCount();
    const auto counted = std::chrono::steady_clock::now();
    MidiOutService::Handle other = 0;
    EXPECT_NE(service->open(0, other), MidiError::NoError);
    const auto opened = std::chrono::steady_clock::now();
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    std::cout << "stopped server: close " << duration_cast<milliseconds>(closed - started).count()
              << " ms, count " << duration_cast<milliseconds>(counted - closed).count() << " ms ("
              << count << " devices), open "
              << duration_cast<milliseconds>(opened - counted).count() << " ms\n";

    server->resume();
    ASSERT_TRUE(dump.waitForMessages(2, 20s)) << "the message accepted before the stop was lost";
    EXPECT_EQ(dump.messages(), (std::vector<Message>{Bytes(synth::GSReset), Bytes(synth::LockOn)}));
    EXPECT_NO_THROW(port.Close());
    EXPECT_EQ(port.State(), TMidiOutput::MidiState::Closed);
}

} // namespace
} // namespace vireo::test
