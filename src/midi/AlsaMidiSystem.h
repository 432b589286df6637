#pragma once

#include "midi/SystemMidiService.h"

#include <map>
#include <memory>
#include <string>

namespace vireo {

// RtMidi's name for an ALSA sequencer port ("Client:Port 14:0") without the client and port
// numbers, which change from session to session.
std::string CleanAlsaPortName(const std::string& name);

// MIDI output through the ALSA sequencer (RtMidi). Each open port is a sequencer client of
// its own; refused calls come back as result codes, never as exceptions.
class AlsaMidiSystem : public MidiSystem {
public:
    // The sequencer client and its own port (the mapper) take this name.
    explicit AlsaMidiSystem(std::string clientName = "Sonexa Vireo Mixer");
    ~AlsaMidiSystem() override;
    AlsaMidiSystem(const AlsaMidiSystem&) = delete;
    AlsaMidiSystem& operator=(const AlsaMidiSystem&) = delete;

    bool answers() override;
    std::vector<Port> outputPorts() override;
    MidiResult openPort(const Port& port, int& id) override;
    MidiResult openOwnPort(int& id) override;
    MidiResult send(int id, std::span<const std::uint8_t> message) override;
    MidiResult reset(int id) override;
    MidiResult close(int id) override;

private:
    struct Output;

    std::unique_ptr<Output> makeOutput() const;
    int keep(std::unique_ptr<Output> output);

    std::string clientName_;
    std::unique_ptr<Output> lister_; // enumerates the ports
    std::map<int, std::unique_ptr<Output>> opened_;
    int nextId_ = 1;
};

} // namespace vireo
