#pragma once

#include "midi/SystemMidiService.h"

#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace vireo {

// The MIDI service, and the device count and the sound servers that answered at its first
// scan.
struct MidiConnection {
    std::unique_ptr<SystemMidiService> service;
    unsigned deviceCount = 0;
    unsigned serversAnswering = 0;
};

// Connects to the machine's MIDI systems on a thread of its own, so that the connection runs
// beside the application's start-up and the window's construction: the service is made at
// once, scanned there, the open of the device the window will choose prepared (a JACK
// client's activation, its port and connection), and handed over whole by take(). Nothing on
// that thread touches Qt.
class MidiConnector {
public:
    using Factory = std::function<std::unique_ptr<SystemMidiService>()>;

    // The machine's systems (the ALSA sequencer, then JACK).
    MidiConnector();
    explicit MidiConnector(Factory make);
    // Waits for a connection not taken.
    ~MidiConnector();
    MidiConnector(const MidiConnector&) = delete;
    MidiConnector& operator=(const MidiConnector&) = delete;

    // The service being connected, for the window to hold before take(): until then only
    // the connecting thread may call it.
    SystemMidiService& service() const { return *service_; }

    // What the device choice will search for (SearchedDevices), so that the connection
    // prepares that device's open after its scan; the scan's end waits for it. Once; take()
    // gives nothing to search for when it was not called.
    void prepareFor(std::vector<std::string> searched);

    // Waits for the connection and hands it over; once only.
    MidiConnection take();

private:
    std::unique_ptr<SystemMidiService> service_;
    std::promise<std::vector<std::string>> searched_;
    bool searchGiven_ = false;
    std::future<MidiConnection> pending_;
};

} // namespace vireo
