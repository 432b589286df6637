// The MIDI output service when its JACK server or its device goes away and comes back under
// the same name: sends fail at once meanwhile, and a new open works without a restart.
#include "JackServerProcess.h"
#include "JackService.h"
#include "midi/TMidiOutput.h"

#include <gtest/gtest.h>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;
using Message = MidiDump::Message;

const Message kMasterVolume{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x11, 0x64, 0xF7};

// Opens the port, retrying while the device's client is not active yet.
bool OpenWithin(TMidiOutput& port, std::chrono::milliseconds limit) {
    return WaitUntil(
        [&] {
            port.Open();
            return port.LastError() == MidiError::NoError;
        },
        limit);
}

bool SendsFailWithin(TMidiOutput& port, std::chrono::milliseconds limit) {
    return WaitUntil(
        [&] {
            try {
                port.PutLong(kMasterVolume);
                return false;
            } catch (const EmidioutputError&) {
                return true;
            }
        },
        limit);
}

// Sends until the receiver has the message: a receiver that has just come up may miss the
// first ones.
bool Delivered(TMidiOutput& port, MidiDump& dump) {
    return WaitUntil(
        [&] {
            port.PutLong(kMasterVolume);
            return dump.waitForMessages(1, 200ms);
        },
        20s);
}

class ServerReturn : public testing::Test {
protected:
    void SetUp() override {
        if (!PrivateJackServer::Installed())
            GTEST_SKIP() << "jackd or jack_midi_dump is not installed";
        ASSERT_TRUE(server.start()) << server.error();
        dump = std::make_unique<MidiDump>();
        ASSERT_TRUE(dump->started());
    }

    void TearDown() override {
        port.reset();
        service.reset();
        server.end();
        dump.reset();
    }

    void openOnDump() {
        const int index = WaitForDevice(*service, dump->port());
        ASSERT_GE(index, 0) << dump->port() << " never appeared";
        port->SetDeviceID(index);
        ASSERT_TRUE(OpenWithin(*port, 20s)) << "open failed with " << port->LastError();
    }

    // The device comes back: a new receiver of the same name.
    void restartDump() {
        dump = std::make_unique<MidiDump>();
        ASSERT_TRUE(dump->started());
    }

    JackServerProcess server;
    std::unique_ptr<MidiDump> dump;
    std::unique_ptr<SystemMidiService> service = JackOnlyService();
    std::unique_ptr<TMidiOutput> port = std::make_unique<TMidiOutput>(*service);
};

TEST_F(ServerReturn, ADeviceOpensAgainOnAServerThatCameBack) {
    ASSERT_NO_FATAL_FAILURE(openOnDump());
    ASSERT_TRUE(Delivered(*port, *dump));

    server.kill();
    EXPECT_TRUE(SendsFailWithin(*port, 2s)) << "sends still succeed after the server died";
    EXPECT_NO_THROW(port->Close());
    port->Open();
    EXPECT_NE(port->LastError(), MidiError::NoError) << "opened a device with no server";

    ASSERT_TRUE(server.start()) << server.error();
    ASSERT_NO_FATAL_FAILURE(restartDump());
    ASSERT_NO_FATAL_FAILURE(openOnDump());
    EXPECT_TRUE(Delivered(*port, *dump)) << "nothing reached the device after the server returned";
}

// The device switch opens the same device again without counting the devices anew.
TEST_F(ServerReturn, TheSameDeviceIndexOpensAgainOnceServerAndDeviceAreBack) {
    ASSERT_NO_FATAL_FAILURE(openOnDump());
    const int index = port->DeviceID();

    server.kill();
    EXPECT_TRUE(SendsFailWithin(*port, 2s));
    EXPECT_NO_THROW(port->Close());
    ASSERT_TRUE(server.start()) << server.error();
    ASSERT_NO_FATAL_FAILURE(restartDump());

    EXPECT_EQ(port->DeviceID(), index);
    EXPECT_TRUE(OpenWithin(*port, 20s)) << "open failed with " << port->LastError();
    EXPECT_TRUE(Delivered(*port, *dump));
}

TEST_F(ServerReturn, TheMapperOpensAgainOnAServerThatCameBack) {
    port->ApplyStoredDescription();
    port->Open();
    ASSERT_EQ(port->LastError(), MidiError::NoError);

    server.kill();
    EXPECT_TRUE(SendsFailWithin(*port, 2s));
    EXPECT_NO_THROW(port->Close());
    ASSERT_TRUE(server.start()) << server.error();
    ASSERT_NO_FATAL_FAILURE(restartDump());

    port->Open();
    ASSERT_EQ(port->LastError(), MidiError::NoError);
    ASSERT_TRUE(ConnectPorts("Sonexa Vireo Mixer:Sonexa Vireo Mixer", dump->port(), 20s));
    EXPECT_TRUE(Delivered(*port, *dump));
}

TEST_F(ServerReturn, ADeviceThatLeftAndCameBackOpensAgain) {
    ASSERT_NO_FATAL_FAILURE(openOnDump());
    ASSERT_TRUE(Delivered(*port, *dump));

    dump->kill();
    EXPECT_TRUE(SendsFailWithin(*port, 2s)) << "sends to a device that left still succeed";
    EXPECT_NO_THROW(port->Close());
    ASSERT_NO_FATAL_FAILURE(restartDump());

    EXPECT_TRUE(OpenWithin(*port, 20s)) << "open failed with " << port->LastError();
    EXPECT_TRUE(Delivered(*port, *dump));
}

} // namespace
} // namespace vireo::test
