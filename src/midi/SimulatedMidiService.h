#pragma once

#include "midi/MidiOutService.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace vireo {

// A scriptable MIDI output service that records every call and every byte. Tests and
// benchmarks use it in place of the system's service.
class SimulatedMidiService : public MidiOutService {
public:
    enum class Op {
        DeviceCount,
        ProductName,
        Open,
        Short,
        Long,
        Reset,
        Close,
        ErrorText,
        ConnectMapper
    };

    struct Call {
        Op op;
        int index = 0;                   // device index (ProductName, Open)
        Handle handle = 0;               // handle (Open's result, Short, Long, Reset, Close)
        std::vector<std::uint8_t> bytes; // wire bytes of Short and Long; ConnectMapper's name
        MidiResult result = MidiError::NoError;
    };

    explicit SimulatedMidiService(std::vector<std::string> deviceNames = {},
                                  std::string mapperName = "MIDI Mapper");

    // Scripting.
    void setDevices(std::vector<std::string> deviceNames) { devices_ = std::move(deviceNames); }
    void setMapperName(std::string name) { mapperName_ = std::move(name); }
    void failProductName(int index, MidiResult code) { capabilityFailures_[index] = code; }
    void failOpen(int index, MidiResult code) { openFailures_[index] = code; }
    // The call of `op` that comes after `skip` further successful ones fails with `code`,
    // once. Use it for Short, Long, Reset and Close.
    void failAfter(Op op, int skip, MidiResult code);
    // Overrides the text of a code; nullopt makes the service have no text for it.
    void setErrorText(MidiResult code, std::optional<std::string> text);
    // The mapper's patch: the ports it could be wired to, and wires made or cut by someone
    // else (a patchbay). Each tells the change listener at once, on the caller's thread.
    void addMapperPort(const std::string& name);
    void removeMapperPort(const std::string& name);
    void wireMapper(const std::string& name);
    void unwireMapper(const std::string& name);
    // A device that goes away: every handle open on it fails with NoDevice from then on, as a
    // lost device does. And one that comes (again): added at the end of the list. Each tells
    // the change listener at once, on the caller's thread.
    void unplugDevice(const std::string& name);
    void plugDevice(const std::string& name);
    // Stops recording calls, for benchmarks that would otherwise grow the record for ever.
    void setRecording(bool on) { recording_ = on; }

    // What happened.
    const std::vector<Call>& calls() const { return calls_; }
    // The messages that went out, in order: short ones as their wire bytes, long ones whole.
    std::vector<std::vector<std::uint8_t>> sentMessages() const;
    bool isOpen(Handle handle) const { return open_.count(handle) != 0; }
    void clearCalls() { calls_.clear(); }

    // MidiOutService
    unsigned deviceCount() override;
    MidiResult productName(int index, std::string& name) override;
    MidiResult open(int index, Handle& handle) override;
    MidiResult shortMessage(Handle handle, std::uint32_t packed) override;
    MidiResult longMessage(Handle handle, std::vector<std::uint8_t> bytes) override;
    MidiResult reset(Handle handle) override;
    MidiResult close(Handle handle) override;
    std::optional<std::string> errorText(MidiResult code) override;
    bool deviceLost(Handle handle) override { return lost_.count(handle) != 0; }
    std::vector<std::string> mapperConnections() override;
    std::vector<std::string> mapperPorts() override { return mapperPorts_; }
    MidiResult connectMapper(const std::string& name) override;
    void setChangeListener(ChangeListener listener) override { listener_ = std::move(listener); }

private:
    struct PendingFailure {
        int skip;
        MidiResult code;
    };

    bool validIndex(int index) const;
    MidiResult scripted(Op op, Handle handle);
    void record(Call call);

    std::vector<std::string> devices_;
    std::string mapperName_;
    std::map<int, MidiResult> capabilityFailures_;
    std::map<int, MidiResult> openFailures_;
    std::map<Op, PendingFailure> pendingFailures_;
    std::map<MidiResult, std::optional<std::string>> texts_;
    std::map<Handle, int> open_;     // handle -> device index
    std::set<Handle> lost_;          // open on a device that was unplugged
    static constexpr int kGone = -2; // the device index of a lost handle
    Handle nextHandle_ = 0x100;
    std::vector<Call> calls_;
    bool recording_ = true;
    bool mapperRegistered_ = false; // device -1 was opened once
    std::vector<std::string> mapperPorts_;
    std::vector<std::string> mapperWires_;
    ChangeListener listener_;
    void changed();
};

} // namespace vireo
