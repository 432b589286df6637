#pragma once

#include "midi/MidiOutService.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace vireo {

// Raised by the port for every failed service call except Open.
class EmidioutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One event for PutEvent: a short message, or a long one when longData is set.
struct MidiEventRecord {
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    std::uint16_t longLength = 0;
    const std::uint8_t* longData = nullptr;
};

// The MIDI output port: selects one output device of the service by index, opens and closes
// it, and sends short and long messages. Service failures raise EmidioutputError with the
// service's text; Open keeps its failure in LastError instead.
class TMidiOutput {
public:
    enum class MidiState : std::uint8_t { Opened, Closed };

    explicit TMidiOutput(MidiOutService& service);
    // A port that asks the service nothing until RecountDevices(): it may be made before the
    // service has connected.
    struct CountLater {};
    TMidiOutput(MidiOutService& service, CountLater);
    ~TMidiOutput();
    TMidiOutput(const TMidiOutput&) = delete;
    TMidiOutput& operator=(const TMidiOutput&) = delete;

    // How the main window sets the port up: product name "MIDI Mapper" (ignored while
    // loading), then DeviceID -1, so the port ends on the mapper with its reported name.
    void ApplyStoredDescription();

    int DeviceID() const { return deviceId_; }
    void SetDeviceID(int index);
    const std::string& ProductName() const { return productName_; }
    void SetProductName(const std::string& name);

    MidiOutService::Handle Handle() const { return handle_; }
    MidiState State() const { return state_; }
    std::uint16_t LastError() const { return lastError_; }
    std::uint16_t NumDevs() const { return numDevs_; }
    // Counts the service's devices again (devices come and go while the program runs).
    void RecountDevices();

    void Open();
    void Close();
    // Puts the port on device `index` of the service's last count: an open port opens that
    // device first and lets go of the one it had only then, so that a move that fails leaves
    // the port as it was. Sets LastError; raises nothing.
    void MoveTo(int index);
    void PutShort(unsigned status, unsigned data1, unsigned data2);
    void PutLong(const std::uint8_t* data, std::uint16_t length);
    void PutLong(std::span<const std::uint8_t> bytes);
    void PutEvent(const MidiEventRecord& event);

    std::string GetErrorText(std::uint16_t code);

private:
    void Guarded(MidiResult result);
    [[noreturn]] void Raise(int stringId, const std::string& arg = {});

    MidiOutService& service_;
    int deviceId_ = 0;
    MidiOutService::Handle handle_ = 0;
    MidiState state_ = MidiState::Closed;
    std::uint16_t lastError_ = 0;
    std::string productName_;
    std::uint16_t numDevs_ = 0;
    bool loading_ = false;
};

} // namespace vireo
