#pragma once

#include "midi/MidiResult.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vireo {

// The operating system's MIDI output service, as the output port uses it. Every call answers
// with a result code (0 for success) and never throws. Device indexes run from 0 to
// deviceCount() - 1; index -1 is the mapper, which deviceCount() does not count.
class MidiOutService {
public:
    using Handle = std::uint32_t; // 0 is the null handle, never given out by open()
    static constexpr int kMapper = -1;

    virtual ~MidiOutService() = default;

    virtual unsigned deviceCount() = 0;
    // Capability query: the product name of a device.
    virtual MidiResult productName(int index, std::string& name) = 0;
    virtual MidiResult open(int index, Handle& handle) = 0;
    // A short message packed as status | data1 << 8 | data2 << 16.
    virtual MidiResult shortMessage(Handle handle, std::uint32_t packed) = 0;
    // A long (system-exclusive) message. The service owns the bytes from here on and keeps
    // them for as long as it needs them; the call does not wait for them to reach the wire.
    virtual MidiResult longMessage(Handle handle, std::vector<std::uint8_t> bytes) = 0;
    virtual MidiResult reset(Handle handle) = 0;
    // After a successful close the handle is invalid.
    virtual MidiResult close(Handle handle) = 0;
    // The service's text for a code, or nullopt when it has none.
    virtual std::optional<std::string> errorText(MidiResult code) = 0;
    // Whether the device open on `handle` went away (its port, or its system): every send to
    // it fails with NoDevice from then on. False for a handle that is not open.
    virtual bool deviceLost(Handle /*handle*/) { return false; }

    // The mapper's patch: the ports the program's own port (device -1) is wired to. Names are
    // product names without session-varying numbers, so they can be stored and found again.
    // A service without an own port has no patch: no connections, no ports, NotSupported.

    // The ports the mapper sends to now, whoever wired them. Empty until device -1 was opened.
    virtual std::vector<std::string> mapperConnections() { return {}; }
    // The ports the mapper could be wired to now, on the mapper's system.
    virtual std::vector<std::string> mapperPorts() { return {}; }
    // Wires the mapper to the port of that name: NoError (also when already wired), NoDevice
    // when no such port exists now, InvalidHandle until device -1 was opened.
    virtual MidiResult connectMapper(const std::string& /*name*/) {
        return MidiError::NotSupported;
    }
    // Told, on any thread (it must only post to the window thread and return), that the
    // mapper's wires, the set of ports or an open device's state may have changed. An empty
    // function stops it.
    using ChangeListener = std::function<void()>;
    virtual void setChangeListener(ChangeListener /*listener*/) {}

    // Lets go of what was connected only to list devices or ask about the mapper (a JACK
    // client with none of the program's ports in use). Closing a port does it by itself; the
    // program calls it once the start-up choice or the Preferences are done.
    virtual void releaseUnused() {}
};

} // namespace vireo
