#include "JackService.h"
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

TEST_F(JackClientCount, FollowsTheClientsOfThisProcess) {
    EXPECT_FALSE(JackMidiSystem::AnyClientConnected());
    auto first = std::make_unique<JackMidiSystem>("vireo-probe-first");
    auto second = std::make_unique<JackMidiSystem>("vireo-probe-second");
    EXPECT_FALSE(JackMidiSystem::AnyClientConnected()) << "nothing connects before it is asked";
    ASSERT_TRUE(first->answers());
    ASSERT_TRUE(second->answers());
    EXPECT_TRUE(first->answers()); // asked again: still one client, counted once
    EXPECT_TRUE(JackMidiSystem::AnyClientConnected());
    first.reset();
    EXPECT_TRUE(JackMidiSystem::AnyClientConnected());
    second.reset();
    EXPECT_FALSE(JackMidiSystem::AnyClientConnected());
}

TEST_F(JackClientCount, AClientOfAServerThatWentAwayNoLongerCounts) {
    JackMidiSystem system("vireo-probe-orphan");
    ASSERT_TRUE(system.answers());
    ASSERT_TRUE(JackMidiSystem::AnyClientConnected());
    server->kill();
    EXPECT_TRUE(test::WaitUntil([] { return !JackMidiSystem::AnyClientConnected(); }, 10s));
    EXPECT_FALSE(system.answers()); // no server to connect to again
    EXPECT_FALSE(JackMidiSystem::AnyClientConnected());
}

// The hardware check counts JACK's mixer from the service's scan, which lets go of its client.
using JackServerAnsweredAtTheScan = JackClientCount;

TEST_F(JackServerAnsweredAtTheScan, HoldsAfterTheClientIsGoneUntilTheServerGoes) {
    EXPECT_FALSE(JackMidiSystem::AnyServerAnswered()) << "nothing asked the server yet";
    auto service = test::JackOnlyService("vireo-probe-scan");
    service->deviceCount();
    service->releaseUnused();
    EXPECT_FALSE(JackMidiSystem::AnyClientConnected()) << "the scan kept its client";
    EXPECT_TRUE(JackMidiSystem::AnyServerAnswered());
    server->kill();
    service->deviceCount();
    EXPECT_FALSE(JackMidiSystem::AnyServerAnswered()) << "the server went, and the scan saw it";
    service = test::JackOnlyService("vireo-probe-scan");
    EXPECT_FALSE(JackMidiSystem::AnyServerAnswered());
}

TEST_F(JackServerAnsweredAtTheScan, EndsWithTheSystemThatAsked) {
    auto service = test::JackOnlyService("vireo-probe-scan");
    service->deviceCount();
    ASSERT_TRUE(JackMidiSystem::AnyServerAnswered());
    service.reset();
    EXPECT_FALSE(JackMidiSystem::AnyServerAnswered());
}

TEST(JackClientCountWithoutServer, AFailedConnectionDoesNotCount) {
    setenv("JACK_DEFAULT_SERVER", "vireo-probe-absent", 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    JackMidiSystem system("vireo-probe-absent");
    EXPECT_FALSE(system.answers());
    EXPECT_FALSE(JackMidiSystem::AnyClientConnected());
    EXPECT_FALSE(JackMidiSystem::AnyServerAnswered());
    unsetenv("JACK_DEFAULT_SERVER");
    unsetenv("JACK_NO_START_SERVER");
}

} // namespace
} // namespace vireo
