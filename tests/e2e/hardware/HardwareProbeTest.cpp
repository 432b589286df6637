#include "JackService.h"
#include "app/MidiConnection.h"
#include "midi/JackMidiSystem.h"
#include "midi/SystemMidiService.h"
#include "platform/MixerDevices.h"

#include <gtest/gtest.h>
#include <memory>

namespace vireo {
namespace {

using namespace std::chrono_literals;

// The count adds one for JACK exactly when it is told that JACK answers, and asks nothing else.
TEST(MixerDeviceCount, AddsOneForJackOnlyWhenItAnswers) {
    int asked = 0;
    const int without = MixerDeviceCount([&] {
        ++asked;
        return false;
    });
    const int with = MixerDeviceCount([&] {
        ++asked;
        return true;
    });
    EXPECT_EQ(with, without + 1);
    EXPECT_EQ(asked, 2);
}

class JackClientCount : public testing::Test {
protected:
    void SetUp() override {
        if (!test::PrivateJackServer::Installed())
            GTEST_SKIP() << "jackd or jack_midi_dump is not installed";
        server = std::make_unique<test::PrivateJackServer>();
        ASSERT_TRUE(server->running()) << server->startError();
    }

    std::unique_ptr<test::PrivateJackServer> server;
};

// The hardware check counts JACK's mixer from the connection's scan, which lets go of its
// client: the scan's answer holds until the next scan.
using JackServerAnsweredAtTheScan = JackClientCount;

TEST_F(JackServerAnsweredAtTheScan, HoldsAfterTheClientIsGoneUntilAScanFindsTheServerGone) {
    auto service = test::JackOnlyService("vireo-probe-scan");
    EXPECT_EQ(service->serversAnswering(), 0u) << "nothing asked the server yet";
    service->deviceCount();
    service->releaseUnused();
    EXPECT_EQ(service->serversAnswering(), 1u);
    server->kill();
    service->deviceCount();
    EXPECT_EQ(service->serversAnswering(), 0u) << "the server went, and the scan saw it";
}

TEST_F(JackServerAnsweredAtTheScan, IsTheConnectionsResult) {
    MidiConnector connector([] { return test::JackOnlyService("vireo-probe-connection"); });
    const MidiConnection connection = connector.take();
    EXPECT_EQ(connection.serversAnswering, 1u);
}

TEST(JackClientCountWithoutServer, AFailedConnectionDoesNotCount) {
    setenv("JACK_DEFAULT_SERVER", "vireo-probe-absent", 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    auto service = test::JackOnlyService("vireo-probe-absent");
    EXPECT_EQ(service->deviceCount(), 0u);
    EXPECT_EQ(service->serversAnswering(), 0u);
    unsetenv("JACK_DEFAULT_SERVER");
    unsetenv("JACK_NO_START_SERVER");
}

} // namespace
} // namespace vireo
