#pragma once

#include "midi/MidiSystem.h"

#include <cstddef>
#include <memory>
#include <string>

namespace vireo {

class JackMidiCore;

// MIDI output through a JACK server, as a client of our own. A device is a MIDI input port of
// another client; opening it registers one output port of ours connected to it. Sends go into
// a lock-free queue that the process cycle drains, so they never wait: a full queue, a server
// that went away or a device whose connection was lost fails at once. Closing waits, briefly,
// until the process cycle has sent what was queued. The own port (the mapper) is registered
// once and keeps its connections through every close and open.
//
// Every call to the server (open, activate, register, connect, disconnect, close) runs on one
// thread of the system's own, and callers wait for it within a bound, so a hung server holds
// only that thread: a server whose process cycle stopped makes open, close and connect fail
// within a second; a client open the server does not let in within 5 s (the system's first,
// at start-up) or 500 ms (later ones) counts as a server that does not answer, and at most one
// open is pending at a time. The client is held only while a port of ours is registered:
// listing alone connects, and releaseUnused() lets go again. At the system's end a client that
// its hung server cannot close is left to the process's end.
class JackMidiSystem : public MidiSystem {
public:
    static constexpr std::size_t kMaxPorts = 16;

    // The client and its own port (the mapper) take this name.
    explicit JackMidiSystem(std::string clientName = "Sonexa Vireo Mixer");
    ~JackMidiSystem() override;
    JackMidiSystem(const JackMidiSystem&) = delete;
    JackMidiSystem& operator=(const JackMidiSystem&) = delete;

    bool isServer() const override { return true; }
    bool answers() override;
    std::vector<Port> outputPorts() override;
    MidiResult openPort(const Port& port, int& id) override;
    MidiResult openOwnPort(int& id) override;
    MidiResult send(int id, std::span<const std::uint8_t> message) override;
    MidiResult reset(int id) override;
    MidiResult close(int id) override;
    bool lost(int id) override;
    std::vector<std::string> ownPortConnections() override;
    MidiResult connectOwnPort(const std::string& name) override;
    void setChangeListener(ChangeListener listener) override;
    void releaseUnused() override;
    // Activates the client, and registers an output port connected to `port`, which the next
    // openPort() of `port` takes.
    void prepare(const Port& port) override;

private:
    std::shared_ptr<JackMidiCore> core_;
};

} // namespace vireo
