#include "midi/TMidiOutput.h"

#include "midi/ShortMessage.h"
#include "platform/StringTable.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace vireo {
namespace {

std::uint16_t ClampedCount(unsigned count) {
    return std::uint16_t(std::min<unsigned>(count, std::numeric_limits<std::uint16_t>::max()));
}

} // namespace

TMidiOutput::TMidiOutput(MidiOutService& service)
    : service_(service)
    , numDevs_(ClampedCount(service.deviceCount())) {}

TMidiOutput::TMidiOutput(MidiOutService& service, CountLater)
    : service_(service) {}

TMidiOutput::~TMidiOutput() {
    if (state_ != MidiState::Opened)
        return;
    try {
        Close();
    } catch (const EmidioutputError&) {
        // Nothing is left to tell: the program is going away and the service keeps the handle.
    }
}

void TMidiOutput::ApplyStoredDescription() {
    loading_ = true;
    SetProductName("MIDI Mapper");
    loading_ = false;
    SetDeviceID(MidiOutService::kMapper);
}

void TMidiOutput::SetDeviceID(int index) {
    if (state_ == MidiState::Opened)
        Raise(IDS_DEVICEID_WHILE_OPEN);
    const auto count = static_cast<long long>(service_.deviceCount());
    if (index >= count && index != MidiOutService::kMapper)
        Raise(IDS_INVALID_DEVICE_ID);
    deviceId_ = index;
    std::string name;
    Guarded(service_.productName(index, name));
    productName_ = std::move(name);
}

void TMidiOutput::SetProductName(const std::string& name) {
    if (state_ == MidiState::Opened)
        Raise(IDS_PRODUCTNAME_WHILE_OPEN);
    if (loading_)
        return;
    const int count = static_cast<int>(service_.deviceCount());
    int index = MidiOutService::kMapper;
    for (; index < count; ++index) {
        std::string candidate;
        Guarded(service_.productName(index, candidate));
        if (candidate == name) {
            productName_ = name;
            break;
        }
    }
    if (productName_ != name)
        Raise(IDS_DEVICE_NOT_INSTALLED, name);
    SetDeviceID(index);
}

void TMidiOutput::RecountDevices() {
    numDevs_ = ClampedCount(service_.deviceCount());
}

void TMidiOutput::Open() {
    if (state_ == MidiState::Opened) {
        lastError_ = MidiError::NoError; // already open on this device: nothing to do
        return;
    }
    MidiOutService::Handle handle = 0;
    lastError_ = service_.open(deviceId_, handle);
    if (lastError_ != MidiError::NoError)
        return;
    handle_ = handle;
    state_ = MidiState::Opened;
}

void TMidiOutput::MoveTo(int index) {
    std::string name;
    lastError_ = service_.productName(index, name);
    if (lastError_ != MidiError::NoError)
        return;
    if (state_ == MidiState::Opened) {
        MidiOutService::Handle handle = 0;
        lastError_ = service_.open(index, handle);
        if (lastError_ != MidiError::NoError)
            return;
        service_.reset(handle_);
        service_.close(handle_); // a device that went away has nothing left to close
        handle_ = handle;
    }
    deviceId_ = index;
    productName_ = std::move(name);
}

void TMidiOutput::Close() {
    if (state_ == MidiState::Opened) {
        Guarded(service_.reset(handle_));
        Guarded(service_.close(handle_));
    }
    handle_ = 0;
    state_ = MidiState::Closed;
}

void TMidiOutput::PutShort(unsigned status, unsigned data1, unsigned data2) {
    Guarded(service_.shortMessage(handle_, PackShortMessage(status, data1, data2)));
}

void TMidiOutput::PutLong(const std::uint8_t* data, std::uint16_t length) {
    if (length == 0)
        return; // an empty system-exclusive message has nothing to carry
    Guarded(service_.longMessage(handle_, std::vector<std::uint8_t>(data, data + length)));
}

void TMidiOutput::PutLong(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > std::numeric_limits<std::uint16_t>::max())
        Guarded(MidiError::InvalidParameter); // longer than a long message can carry
    PutLong(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
}

void TMidiOutput::PutEvent(const MidiEventRecord& event) {
    if (state_ == MidiState::Closed)
        Raise(IDS_DEVICE_NOT_OPEN);
    if (event.longData == nullptr)
        PutShort(event.status, event.data1, event.data2);
    else
        PutLong(event.longData, event.longLength);
}

std::string TMidiOutput::GetErrorText(std::uint16_t code) {
    if (auto text = service_.errorText(code))
        return *std::move(text);
    return LoadStr(IDS_ERROR_OUT_OF_RANGE);
}

void TMidiOutput::Guarded(MidiResult result) {
    lastError_ = result;
    if (result != MidiError::NoError)
        throw EmidioutputError(GetErrorText(result));
}

void TMidiOutput::Raise(int stringId, const std::string& arg) {
    throw EmidioutputError(FmtLoadStr(stringId, arg));
}

} // namespace vireo
