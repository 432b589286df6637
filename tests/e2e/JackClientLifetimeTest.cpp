// The program's JACK client against a real JACK server: it stays only while one of its ports
// is in use. What only listed devices goes when released, closing the only device lets go at
// once; the own port (the mapper) keeps it, and a device opened again works as the first time.
#include "JackService.h"
#include "midi/TMidiOutput.h"

#include <future>
#include <gtest/gtest.h>
#include <jack/jack.h>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;
using Message = MidiDump::Message;

constexpr const char* kClient = "Sonexa Vireo Mixer";

// A client of the test's own that asks the server which clients are there.
class ClientWatch {
public:
    ClientWatch() {
        jack_status_t status{};
        client_ = jack_client_open("vireo-watch", JackNoStartServer, &status);
    }
    ~ClientWatch() {
        if (client_ != nullptr)
            jack_client_close(client_);
    }
    ClientWatch(const ClientWatch&) = delete;
    ClientWatch& operator=(const ClientWatch&) = delete;

    bool connected() const { return client_ != nullptr; }
    // Waits until the client owning `port` is active: the server takes connections to its
    // ports only then. Its port is listed earlier, before the client has activated.
    bool waitUntilActive(const std::string& port, std::chrono::milliseconds limit) {
        if (probe_ == nullptr) {
            probe_ =
                jack_port_register(client_, "probe", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
            if (probe_ == nullptr || jack_activate(client_) != 0)
                return false;
        }
        const std::string probe = jack_port_name(probe_);
        const bool active = WaitUntil(
            [&] { return jack_connect(client_, probe.c_str(), port.c_str()) == 0; }, limit);
        jack_disconnect(client_, probe.c_str(), port.c_str());
        return active;
    }
    // The full names of the ports that match the regular expression.
    std::vector<std::string> ports(const std::string& pattern) const {
        std::vector<std::string> names;
        const char** found = jack_get_ports(client_, pattern.c_str(), nullptr, 0);
        for (const char** name = found; name != nullptr && *name != nullptr; ++name)
            names.emplace_back(*name);
        jack_free(found);
        return names;
    }
    bool has(const std::string& name) const {
        char* uuid = jack_get_uuid_for_client_name(client_, name.c_str());
        if (uuid == nullptr)
            return false;
        jack_free(uuid);
        return true;
    }

private:
    jack_client_t* client_ = nullptr;
    jack_port_t* probe_ = nullptr;
};

class JackClientWhileUsed : public testing::Test {
protected:
    void SetUp() override {
        if (!PrivateJackServer::Installed())
            GTEST_SKIP() << "jackd or jack_midi_dump is not installed: no JACK end-to-end tests";
        server = std::make_unique<PrivateJackServer>();
        ASSERT_TRUE(server->running()) << server->startError();
        dump = std::make_unique<MidiDump>();
        ASSERT_TRUE(dump->started()) << "jack_midi_dump did not start";
        watch = std::make_unique<ClientWatch>();
        ASSERT_TRUE(watch->connected());
        service = JackOnlyService();
    }

    void TearDown() override {
        service.reset();
        watch.reset();
    }

    // Opens the port on the dump's input, once the dump's port takes connections.
    void OpenOnDump(TMidiOutput& port) {
        const int index = WaitForDevice(*service, dump->port());
        ASSERT_GE(index, 0) << dump->port() << " never appeared";
        port.SetDeviceID(index);
        WaitUntil(
            [&] {
                port.Open();
                return port.LastError() == MidiError::NoError;
            },
            20s);
        ASSERT_EQ(port.LastError(), MidiError::NoError);
    }

    bool clientThere() const { return watch->has(kClient); }

    // Destroyed in reverse, the server last.
    std::unique_ptr<PrivateJackServer> server;
    std::unique_ptr<MidiDump> dump;
    std::unique_ptr<ClientWatch> watch;
    std::unique_ptr<SystemMidiService> service;
};

TEST_F(JackClientWhileUsed, WhatOnlyListedIsReleasedAndAnOpenDeviceIsNot) {
    ASSERT_GE(WaitForDevice(*service, dump->port()), 0) << dump->port() << " never appeared";
    service->releaseUnused();
    EXPECT_FALSE(clientThere()) << "the device list kept a client with no port open";
    std::string name;
    EXPECT_EQ(service->productName(MidiOutService::kMapper, name), MidiError::NoError);
    EXPECT_FALSE(service->mapperPorts().empty());
    service->releaseUnused();
    EXPECT_FALSE(clientThere()) << "asking about the mapper kept a client";
    EXPECT_EQ(service->serversAnswering(), 1u) << "the server answered the listing";

    TMidiOutput port(*service);
    ASSERT_NO_FATAL_FAILURE(OpenOnDump(port));
    service->releaseUnused();
    EXPECT_TRUE(clientThere()) << "the open device lost its client";
    port.PutShort(0xB0, 0x07, 0x64);
    EXPECT_TRUE(dump->waitForMessages(1, 20s)) << "the open device no longer sends";
}

TEST_F(JackClientWhileUsed, ClosingTheOnlyDeviceLetsGoAndOpeningAgainWorksAsBefore) {
    TMidiOutput port(*service);
    ASSERT_NO_FATAL_FAILURE(OpenOnDump(port));
    EXPECT_TRUE(clientThere());
    port.PutShort(0xB0, 0x07, 0x64);
    ASSERT_TRUE(dump->waitForMessages(1, 20s));
    port.PutShort(0xB1, 0x07, 0x50);
    ASSERT_NO_THROW(port.Close());
    EXPECT_FALSE(clientThere()) << "a closed device kept the client";
    ASSERT_TRUE(dump->waitForMessages(2, 20s)) << "the message sent before the close was lost";

    ASSERT_NO_FATAL_FAILURE(OpenOnDump(port));
    EXPECT_TRUE(clientThere());
    port.PutShort(0xB2, 0x07, 0x40);
    ASSERT_TRUE(dump->waitForMessages(3, 20s)) << "nothing arrived on the device opened again";
    EXPECT_EQ(dump->messages().back(), (Message{0xB2, 0x07, 0x40}));
    // The new client tells of a lost connection as the first one did.
    dump->kill();
    EXPECT_TRUE(WaitUntil(
        [&] {
            try {
                port.PutShort(0xB0, 0x07, 0x64);
                return false;
            } catch (const EmidioutputError&) {
                return true;
            }
        },
        20s))
        << "sends to a device that left still succeed";
    EXPECT_NO_THROW(port.Close());
    EXPECT_FALSE(clientThere());
}

TEST_F(JackClientWhileUsed, TheOwnPortKeepsTheClientThroughItsCloseAndOtherDevices) {
    TMidiOutput mapper(*service);
    mapper.SetDeviceID(MidiOutService::kMapper);
    mapper.Open();
    ASSERT_EQ(mapper.LastError(), MidiError::NoError);
    ASSERT_TRUE(ConnectPorts(std::string(kClient) + ":" + kClient, dump->port(), 20s));
    ASSERT_NO_THROW(mapper.Close());
    EXPECT_TRUE(clientThere()) << "closing the mapper let go of its port and its wires";

    TMidiOutput device(*service);
    ASSERT_NO_FATAL_FAILURE(OpenOnDump(device));
    ASSERT_NO_THROW(device.Close());
    EXPECT_TRUE(clientThere()) << "closing a device let go of the mapper's port";
    EXPECT_EQ(service->mapperConnections(), std::vector<std::string>{dump->port()});
}

// The connection prepares the open of the device the window will choose: an active client
// with a port already connected to it, which the open takes; the port goes when nothing
// took it, and the client with it.
TEST_F(JackClientWhileUsed, APreparedPortIsTheChosenDevicesOrGoesWhenUnused) {
    const std::string ours = std::string(kClient) + ":out_.*";
    const std::vector<std::string> searched{"no such device", dump->port()};
    ASSERT_GE(WaitForDevice(*service, dump->port()), 0) << dump->port() << " never appeared";
    service->prepare(searched);
    const std::vector<std::string> spare = watch->ports(ours);
    ASSERT_EQ(spare.size(), 1u) << "no port was prepared";
    EXPECT_EQ(PortConnections(spare.front()), std::vector<std::string>{dump->port()});
    service->releaseUnused();
    EXPECT_FALSE(clientThere()) << "an unused prepared port kept the client";

    service->deviceCount();
    service->prepare(searched);
    TMidiOutput mapper(*service);
    mapper.SetDeviceID(MidiOutService::kMapper);
    mapper.Open();
    ASSERT_EQ(mapper.LastError(), MidiError::NoError);
    service->releaseUnused();
    EXPECT_TRUE(WaitUntil([&] { return watch->ports(ours).empty(); }, 20s))
        << "the port the mapper did not take stayed";

    service->prepare(searched);
    TMidiOutput device(*service);
    ASSERT_NO_FATAL_FAILURE(OpenOnDump(device));
    const std::vector<std::string> prepared = watch->ports(ours);
    ASSERT_EQ(prepared.size(), 1u) << "the open registered a port beside the prepared one";
    EXPECT_EQ(PortConnections(prepared.front()), std::vector<std::string>{dump->port()});
    device.PutShort(0xB0, 0x07, 0x64);
    EXPECT_TRUE(dump->waitForMessages(1, 20s));
}

// With nothing open, listing connects anew; a server that hangs must not hold it.
using StoppedServerListing = JackClientWhileUsed;

TEST_F(StoppedServerListing, GivesNoJackDevicesInsteadOfWaitingAndFindsThemWhenItGoesOn) {
    ASSERT_GE(WaitForDevice(*service, dump->port()), 0) << dump->port() << " never appeared";
    // A dump still activating when the server stops gives up, and its port goes.
    ASSERT_TRUE(watch->waitUntilActive(dump->port(), 20s));
    service->releaseUnused();
    server->pause();
    auto counting = std::async(std::launch::async, [this] { return service->deviceCount(); });
    const bool returned = counting.wait_for(60s) == std::future_status::ready;
    server->resume();
    ASSERT_TRUE(returned) << "the listing waited for the stopped server";
    EXPECT_EQ(counting.get(), 0u) << "a server that does not answer has no devices";
    EXPECT_GE(WaitForDevice(*service, dump->port()), 0) << "the devices did not come back";
    service->releaseUnused();
    EXPECT_TRUE(WaitUntil([this] { return !clientThere(); }, 20s))
        << "the client the server let in late was kept";
}

} // namespace
} // namespace vireo::test
