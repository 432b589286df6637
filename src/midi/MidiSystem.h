#pragma once

#include "midi/MidiResult.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vireo {

// One MIDI system of the machine (the ALSA sequencer, a JACK server) as the system service
// uses it. Ports are opened by the key that outputPorts() gave; an open port is known by an
// id of the system's own. No call waits for the system.
class MidiSystem {
public:
    struct Port {
        std::string name; // product name: the same port gives the same name in every session
        std::string key;  // what the system needs to find the port again
    };

    virtual ~MidiSystem() = default;

    // Whether the system is a sound server (JACK), which counts as a mixer device of the
    // machine while it answers.
    virtual bool isServer() const { return false; }

    // Whether the system is there, connecting first when not connected yet (or again after
    // it went away).
    virtual bool answers() = 0;
    // The ports that receive MIDI, in the system's order, without the program's own.
    virtual std::vector<Port> outputPorts() = 0;
    virtual MidiResult openPort(const Port& port, int& id) = 0;
    // The program's own output port, for others to connect to (the mapper).
    virtual MidiResult openOwnPort(int& id) = 0;
    virtual MidiResult send(int id, std::span<const std::uint8_t> message) = 0;
    // Stops what is sounding. It drops nothing that a send accepted: the port's close follows
    // it, and closing loses nothing.
    virtual MidiResult reset(int id) = 0;
    // Waits until what sends accepted has gone out (at most about 200 ms), then closes. A
    // system that stopped answering fails with an error code (the port stays open, nothing
    // queued is lost) instead of waiting for it.
    virtual MidiResult close(int id) = 0;
    // Whether the port open as `id` lost its device (or its system): sends fail with NoDevice.
    virtual bool lost(int /*id*/) { return false; }

    // The own port's patch. The own port is registered by the first openOwnPort() and stays
    // until the system object goes (or its server goes away); close() of it only stops
    // sending, and no open or close adds or drops any of its connections, whoever made them.
    // Port names here are product names, as outputPorts() gives them: the port's client and
    // port name without the numbers that change from session to session.

    // The ports the own port sends to now (connections or subscriptions, made by anyone),
    // one name each, in no particular order. Empty while the own port is not registered or
    // the system does not answer. Window thread; never waits long for the system.
    virtual std::vector<std::string> ownPortConnections() { return {}; }

    // Connects the own port to the output port of that product name (outputPorts()). NoError
    // when connected, or when it already was; NoDevice when no port has that name now;
    // InvalidHandle while the own port is not registered; NoDriver when the system does not
    // answer. Window thread; never waits long for the system.
    virtual MidiResult connectOwnPort(const std::string& /*name*/) {
        return MidiError::NotSupported;
    }

    // Called whenever a connection of the own port was made or removed, and whenever a port
    // of the system appeared or went away; the listener reads ownPortConnections() and
    // outputPorts() itself afterwards. Also called for the system's own changes (a
    // connectOwnPort(), the own port's registration). Several changes may give one call, and a
    // call may come with nothing changed. It may be called on any thread: usually one of the
    // system's, possibly the caller's inside a call of this interface. So it must return at
    // once and call nothing of this interface (post to the window thread instead). Set it
    // before the first openOwnPort(); an empty function stops the calls. Once
    // setChangeListener returns, the previous listener is not called any more.
    using ChangeListener = std::function<void()>;
    virtual void setChangeListener(ChangeListener /*listener*/) {}

    // Lets go of what the system holds only to list and ask (a connection with none of the
    // program's ports in use); the next call connects again.
    virtual void releaseUnused() {}

    // Does ahead what opening `port` would otherwise start with, where that takes the system
    // time; releaseUnused() lets go of what no open took.
    virtual void prepare(const Port& /*port*/) {}
};

} // namespace vireo
