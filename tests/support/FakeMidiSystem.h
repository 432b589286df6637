#pragma once

// One MIDI system whose presence, ports, own port, failures and losses the test decides, and
// which records what it was asked.
#include "midi/MidiSystem.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vireo::test {

class FakeMidiSystem : public MidiSystem {
public:
    using Bytes = std::vector<std::uint8_t>;

    explicit FakeMidiSystem(const std::vector<std::string>& names = {}) {
        for (const std::string& name : names)
            ports.push_back(Port{name, "key of " + name});
    }
    ~FakeMidiSystem() override {
        if (ended)
            ended();
    }

    // Scripting.
    bool present = true;
    bool server = false;         // a sound server, as JACK is
    std::function<void()> asked; // runs in answers(), on the asking thread
    std::function<void()> ended; // runs as the fake goes (with the service that owns it)
    std::vector<Port> ports;
    MidiResult sendResult = MidiError::NoError;
    MidiResult closeResult = MidiError::NoError;
    std::set<int> lostIds;
    // What happened.
    std::vector<std::string> openedKeys; // "own" for the program's own port
    std::vector<std::string> preparedKeys;
    std::vector<std::pair<int, Bytes>> sent;
    std::vector<int> resets;
    std::set<int> open;
    // Outlives the fake, which dies with the service.
    std::shared_ptr<std::vector<int>> closed = std::make_shared<std::vector<int>>();
    bool ownRegistered = false;
    std::vector<std::string> wires; // the own port's connections
    int listeners = 0;              // listeners set, less those cleared

    bool answers() override {
        if (asked)
            asked();
        return present;
    }
    bool isServer() const override { return server; }
    std::vector<Port> outputPorts() override { return ports; }
    MidiResult openPort(const Port& port, int& id) override {
        const bool known = std::any_of(ports.begin(), ports.end(),
                                       [&](const Port& each) { return each.key == port.key; });
        return known ? opened(port.key, id) : MidiError::NoDevice;
    }
    MidiResult openOwnPort(int& id) override {
        ownRegistered = true;
        return opened("own", id);
    }
    MidiResult send(int id, std::span<const std::uint8_t> message) override {
        if (sendResult == MidiError::NoError)
            sent.emplace_back(id, Bytes(message.begin(), message.end()));
        return sendResult;
    }
    MidiResult reset(int id) override {
        resets.push_back(id);
        return MidiError::NoError;
    }
    MidiResult close(int id) override {
        if (closeResult == MidiError::NoError) {
            open.erase(id);
            closed->push_back(id);
        }
        return closeResult;
    }
    void prepare(const Port& port) override { preparedKeys.push_back(port.key); }
    bool lost(int id) override { return lostIds.count(id) != 0; }
    std::vector<std::string> ownPortConnections() override { return wires; }
    MidiResult connectOwnPort(const std::string& name) override {
        if (!ownRegistered)
            return MidiError::InvalidHandle;
        wires.push_back(name);
        return MidiError::NoError;
    }
    void setChangeListener(ChangeListener listener) override { listeners += listener ? 1 : -1; }

private:
    MidiResult opened(const std::string& key, int& id) {
        openedKeys.push_back(key);
        id = next_++;
        open.insert(id);
        return MidiError::NoError;
    }

    int next_ = 100;
};

} // namespace vireo::test
