#include "app/MidiConnection.h"

#include "support/FakeMidiSystem.h"

#include <atomic>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vireo {
namespace {

// Where and when the connecting thread asked the system, and when the system went.
struct Trace {
    std::thread::id askedOn;
    std::promise<void> entered;
    std::shared_future<void> release; // answers() waits for it when set
    bool released = true;
    std::atomic<bool> destroyed{false};
    test::FakeMidiSystem* system = nullptr; // the sound server, owned by the service
};

// A fake system that tells the trace when it is asked and when it goes; answers() waits for
// the trace's release when one is set. The first system is a sound server.
MidiConnector::Factory Systems(Trace& trace, std::vector<std::string> names) {
    return [&trace, names] {
        auto system = std::make_unique<test::FakeMidiSystem>(names);
        system->server = true;
        system->asked = [&trace] {
            trace.askedOn = std::this_thread::get_id();
            trace.entered.set_value();
            if (trace.release.valid())
                trace.released =
                    trace.release.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        };
        system->ended = [&trace] { trace.destroyed = true; };
        trace.system = system.get();
        std::vector<std::unique_ptr<MidiSystem>> systems;
        systems.push_back(std::move(system));
        systems.push_back(std::make_unique<test::FakeMidiSystem>());
        return std::make_unique<SystemMidiService>(std::move(systems));
    };
}

TEST(MidiConnectionTest, ScansOnAThreadOfItsOwnAndHandsTheScannedServiceOver) {
    Trace trace;
    MidiConnector connector(Systems(trace, {"Synth:in", "Monitor:in"}));
    MidiConnection connection = connector.take();

    EXPECT_NE(trace.askedOn, std::this_thread::get_id());
    EXPECT_EQ(connection.deviceCount, 2u);
    EXPECT_EQ(connection.serversAnswering, 1u);
    ASSERT_NE(connection.service, nullptr);
    std::string name;
    ASSERT_EQ(connection.service->productName(1, name), MidiError::NoError);
    EXPECT_EQ(name, "Monitor:in");
    EXPECT_TRUE(trace.system->preparedKeys.empty()) << "nothing was searched for";
}

TEST(MidiConnectionTest, PreparesTheOpenOfTheFirstDeviceTheSearchFinds) {
    Trace trace;
    MidiConnector connector(Systems(trace, {"Synth:in", "MPU-401:in", "Multi-IO:in"}));
    connector.prepareFor({"No such", "MPU", "Multi-"});
    const MidiConnection connection = connector.take();
    EXPECT_EQ(trace.system->preparedKeys, std::vector<std::string>{"key of MPU-401:in"});
}

TEST(MidiConnectionTest, StartingReturnsWhileTheConnectionIsStillUnderWay) {
    Trace trace;
    std::promise<void> release;
    trace.release = release.get_future().share();

    MidiConnector connector(Systems(trace, {"Synth:in"}));
    // Reached while the connection waits only when it runs beside this thread.
    release.set_value();
    EXPECT_EQ(connector.take().deviceCount, 1u);
    EXPECT_TRUE(trace.released);
}

TEST(MidiConnectionTest, AConnectionNeverTakenIsClosedWithTheConnector) {
    Trace trace;
    {
        MidiConnector connector(Systems(trace, {"Synth:in"}));
        trace.entered.get_future().wait_for(std::chrono::seconds(30));
    }
    EXPECT_TRUE(trace.destroyed);
}

} // namespace
} // namespace vireo
