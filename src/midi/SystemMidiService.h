#pragma once

#include "midi/MidiOutService.h"
#include "midi/MidiSystem.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vireo {

// The MIDI output service of the machine: the output ports of every system that answers, as
// one device list (the systems in the order given, each in its own order). The mapper is the
// program's own port on the first system that answers; once registered, it stays on that
// system while the system answers.
class SystemMidiService : public MidiOutService {
public:
    // The ALSA sequencer, then JACK.
    SystemMidiService();
    explicit SystemMidiService(std::vector<std::unique_ptr<MidiSystem>> systems);
    ~SystemMidiService() override;
    SystemMidiService(const SystemMidiService&) = delete;
    SystemMidiService& operator=(const SystemMidiService&) = delete;

    // Scans the systems again: devices that came or went since the last call count.
    unsigned deviceCount() override;
    // The sound servers among the systems that answered at the last scan.
    unsigned serversAnswering() const { return serversAnswering_; }
    MidiResult productName(int index, std::string& name) override;
    MidiResult open(int index, Handle& handle) override;
    MidiResult shortMessage(Handle handle, std::uint32_t packed) override;
    MidiResult longMessage(Handle handle, std::vector<std::uint8_t> bytes) override;
    MidiResult reset(Handle handle) override;
    MidiResult close(Handle handle) override;
    std::optional<std::string> errorText(MidiResult code) override;
    bool deviceLost(Handle handle) override;
    std::vector<std::string> mapperConnections() override;
    std::vector<std::string> mapperPorts() override;
    MidiResult connectMapper(const std::string& name) override;
    void setChangeListener(ChangeListener listener) override;
    void releaseUnused() override;
    // Readies the open of the device that FindDeviceByName finds first for one of the texts, in
    // their order, in the last scan's list.
    void prepare(const std::vector<std::string>& searched);

private:
    struct Device {
        MidiSystem* system;
        MidiSystem::Port port;
    };
    struct OpenPort {
        MidiSystem* system;
        int id;
    };

    void scan();
    const Device* device(int index);
    MidiSystem* mapperSystem();
    const OpenPort* find(Handle handle) const;

    std::vector<std::unique_ptr<MidiSystem>> systems_;
    std::vector<Device> devices_;
    bool scanned_ = false;
    unsigned serversAnswering_ = 0;
    std::map<Handle, OpenPort> open_;
    Handle nextHandle_ = 1;
    MidiSystem* ownSystem_ = nullptr; // where the own port was registered
};

} // namespace vireo
