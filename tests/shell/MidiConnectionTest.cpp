#include "app/MidiConnection.h"

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
};

class TracedSystem : public MidiSystem {
public:
    TracedSystem(Trace& trace, std::vector<std::string> names)
        : trace_(trace)
        , names_(std::move(names)) {}
    ~TracedSystem() override { trace_.destroyed = true; }

    bool answers() override {
        trace_.askedOn = std::this_thread::get_id();
        trace_.entered.set_value();
        if (trace_.release.valid())
            trace_.released =
                trace_.release.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        return true;
    }
    std::vector<Port> outputPorts() override {
        std::vector<Port> ports;
        for (const std::string& name : names_)
            ports.push_back(Port{name, name});
        return ports;
    }
    MidiResult openPort(const Port&, int&) override { return MidiError::NoDevice; }
    MidiResult openOwnPort(int&) override { return MidiError::NoDevice; }
    MidiResult send(int, std::span<const std::uint8_t>) override { return MidiError::NoError; }
    MidiResult reset(int) override { return MidiError::NoError; }
    MidiResult close(int) override { return MidiError::NoError; }

private:
    Trace& trace_;
    std::vector<std::string> names_;
};

MidiConnector::Factory Systems(Trace& trace, std::vector<std::string> names) {
    return [&trace, names] {
        std::vector<std::unique_ptr<MidiSystem>> systems;
        systems.push_back(std::make_unique<TracedSystem>(trace, names));
        return std::make_unique<SystemMidiService>(std::move(systems));
    };
}

TEST(MidiConnectionTest, ScansOnAThreadOfItsOwnAndHandsTheScannedServiceOver) {
    Trace trace;
    MidiConnector connector(Systems(trace, {"Synth:in", "Monitor:in"}));
    MidiConnection connection = connector.take();

    EXPECT_NE(trace.askedOn, std::this_thread::get_id());
    EXPECT_EQ(connection.deviceCount, 2u);
    ASSERT_NE(connection.service, nullptr);
    std::string name;
    ASSERT_EQ(connection.service->productName(1, name), MidiError::NoError);
    EXPECT_EQ(name, "Monitor:in");
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
