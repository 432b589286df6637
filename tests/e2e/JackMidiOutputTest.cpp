// The MIDI output port against a real JACK server and a real receiver (jack_midi_dump).
#include "JackService.h"
#include "midi/JackMidiSystem.h"
#include "midi/SystemMidiService.h"
#include "midi/TMidiOutput.h"
#include "mixer/SynthSender.h"

#include <gtest/gtest.h>
#include <thread>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;
using Message = MidiDump::Message;

std::vector<std::string> DeviceNames(MidiOutService& service) {
    std::vector<std::string> names;
    const unsigned count = service.deviceCount();
    for (unsigned i = 0; i < count; ++i) {
        std::string name;
        if (service.productName(static_cast<int>(i), name) == MidiError::NoError)
            names.push_back(name);
    }
    return names;
}

template <std::size_t N> Message Bytes(const synth::SysEx<N>& sysEx) {
    return Message(sysEx.begin(), sysEx.end());
}

// Sends short messages until one fails, for at most `limit`; whether one failed.
bool SendsFailWithin(TMidiOutput& port, std::chrono::milliseconds limit) {
    return WaitUntil(
        [&] {
            try {
                port.PutShort(0xB0, 0x07, 0x64);
                return false;
            } catch (const EmidioutputError&) {
                return true;
            }
        },
        limit);
}

class JackEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        if (!PrivateJackServer::Installed())
            GTEST_SKIP() << "jackd or jack_midi_dump is not installed: no JACK end-to-end tests";
        server = std::make_unique<PrivateJackServer>();
        ASSERT_TRUE(server->running()) << server->startError();
        dump = std::make_unique<MidiDump>();
        ASSERT_TRUE(dump->started()) << "jack_midi_dump did not start";
    }

    // Opens the port on the dump's input, once the dump's port has appeared.
    void OpenOnDump(TMidiOutput& port, MidiOutService& service) {
        const int index = WaitForDevice(service, dump->port());
        ASSERT_GE(index, 0) << dump->port() << " never appeared";
        port.SetDeviceID(index);
        EXPECT_EQ(port.ProductName(), dump->port());
        // The dump's port shows before the dump is active, and JACK connects no inactive
        // client's port: the device may refuse a moment longer.
        WaitUntil(
            [&] {
                port.Open();
                return port.LastError() == MidiError::NoError;
            },
            20s);
        ASSERT_EQ(port.LastError(), MidiError::NoError);
    }

    // Destroyed in reverse, the server first: a JACK server ends at once while its clients
    // are still there, but takes seconds after one has just died.
    std::unique_ptr<MidiDump> dump;
    std::unique_ptr<PrivateJackServer> server;
};

TEST_F(JackEndToEnd, TheReceiverGetsExactlyTheBytesSentInTheirOrder) {
    SystemMidiService service;
    TMidiOutput port(service);
    ASSERT_NO_FATAL_FAILURE(OpenOnDump(port, service));
    SynthSender sender(port);

    sender.InitializeSynthesizer();
    sender.SendChannelControl(synth::ChannelController::ReverbSend,
                              [](int channel) { return 100 + channel; });
    sender.SendGSReset();
    sender.SendGMSystemOn(); // last: once it is in, anything repeated would be in too

    std::vector<Message> expected;
    for (const auto& step : synth::InitializationSequence)
        expected.push_back(Bytes(step));
    for (std::uint8_t channel = 0; channel < 16; ++channel)
        expected.push_back(Message{static_cast<std::uint8_t>(0xB0 + channel), 0x5B,
                                   static_cast<std::uint8_t>(100 + channel)});
    expected.push_back(Bytes(synth::GSReset));
    expected.push_back(Bytes(synth::GMSystemOn));

    ASSERT_TRUE(dump->waitForMessages(expected.size(), 20s))
        << "received " << dump->messages().size() << " of " << expected.size();
    EXPECT_EQ(dump->messages(), expected);
    EXPECT_NO_THROW(port.Close());
}

TEST_F(JackEndToEnd, SendsFailAtOnceWhenTheServerDiesUnderAnOpenPort) {
    auto service = std::make_unique<SystemMidiService>();
    auto port = std::make_unique<TMidiOutput>(*service);
    ASSERT_NO_FATAL_FAILURE(OpenOnDump(*port, *service));
    port->PutLong(synth::GSReset);
    ASSERT_TRUE(dump->waitForMessages(1, 20s));

    server->kill();
    EXPECT_TRUE(SendsFailWithin(*port, 1s)) << "sends still succeed a second after the server died";
    EXPECT_THROW(port->PutLong(synth::XGSystemOn), EmidioutputError);
    EXPECT_NE(port->LastError(), MidiError::NoError);

    // Closing, counting again and letting go all come back; none waits for the dead server.
    EXPECT_NO_THROW(port->Close());
    const std::vector<std::string> names = DeviceNames(*service);
    EXPECT_EQ(std::count(names.begin(), names.end(), dump->port()), 0);
    port->Open();
    EXPECT_NE(port->LastError(), MidiError::NoError);
    port.reset();
    service.reset();
}

TEST_F(JackEndToEnd, SendsFailWhenTheDeviceGoesAwayAndItCannotBeOpenedAgain) {
    SystemMidiService service;
    TMidiOutput port(service);
    ASSERT_NO_FATAL_FAILURE(OpenOnDump(port, service));
    port.PutShort(0xB0, 0x07, 0x64);
    ASSERT_TRUE(dump->waitForMessages(1, 20s));

    dump->kill();
    EXPECT_TRUE(SendsFailWithin(port, 2s)) << "sends to a device that left still succeed";
    EXPECT_EQ(port.LastError(), MidiError::NoDevice);
    EXPECT_NO_THROW(port.Close());
    port.Open();
    EXPECT_EQ(port.LastError(), MidiError::NoDevice);
    EXPECT_EQ(port.State(), TMidiOutput::MidiState::Closed);
}

TEST_F(JackEndToEnd, TheMapperIsTheProgramsOwnPortWhichThePatchbayConnects) {
    std::vector<std::unique_ptr<MidiSystem>> systems;
    systems.push_back(std::make_unique<JackMidiSystem>());
    SystemMidiService service(std::move(systems));
    ASSERT_GE(WaitForDevice(service, dump->port()), 0);
    TMidiOutput port(service);
    port.ApplyStoredDescription();
    EXPECT_EQ(port.DeviceID(), MidiOutService::kMapper);
    EXPECT_EQ(port.ProductName(), "MIDI Mapper");
    port.Open();
    ASSERT_EQ(port.LastError(), MidiError::NoError);
    // Our own ports are never offered as devices.
    EXPECT_EQ(DeviceNames(service), std::vector<std::string>{dump->port()});

    ASSERT_TRUE(ConnectPorts("Sonexa Vireo Mixer:Sonexa Vireo Mixer", dump->port(), 20s));

    SynthSender sender(port);
    sender.SendMasterVolume(0x64);
    sender.SendLock(true);
    const std::vector<Message> expected{Bytes(synth::MasterVolume(0x64)), Bytes(synth::LockOn)};
    ASSERT_TRUE(dump->waitForMessages(expected.size(), 20s));
    EXPECT_EQ(dump->messages(), expected);

    // Closed and opened again at once, the mapper comes back under the same name.
    port.Close();
    port.Open();
    EXPECT_EQ(port.LastError(), MidiError::NoError);
}

} // namespace
} // namespace vireo::test
