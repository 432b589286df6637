#include "midi/SimulatedMidiService.h"

#include "midi/ShortMessage.h"

#include <algorithm>

namespace vireo {

SimulatedMidiService::SimulatedMidiService(std::vector<std::string> deviceNames,
                                           std::string mapperName)
    : devices_(std::move(deviceNames))
    , mapperName_(std::move(mapperName)) {}

void SimulatedMidiService::failAfter(Op op, int skip, MidiResult code) {
    pendingFailures_[op] = PendingFailure{skip, code};
}

void SimulatedMidiService::setErrorText(MidiResult code, std::optional<std::string> text) {
    texts_[code] = std::move(text);
}

std::vector<std::vector<std::uint8_t>> SimulatedMidiService::sentMessages() const {
    std::vector<std::vector<std::uint8_t>> sent;
    for (const Call& call : calls_) {
        if ((call.op == Op::Short || call.op == Op::Long) && call.result == MidiError::NoError)
            sent.push_back(call.bytes);
    }
    return sent;
}

unsigned SimulatedMidiService::deviceCount() {
    record({Op::DeviceCount, 0, 0, {}, MidiError::NoError});
    return static_cast<unsigned>(devices_.size());
}

MidiResult SimulatedMidiService::productName(int index, std::string& name) {
    MidiResult result = MidiError::NoError;
    if (auto failure = capabilityFailures_.find(index); failure != capabilityFailures_.end())
        result = failure->second;
    else if (!validIndex(index))
        result = MidiError::BadDeviceId;
    else
        name = index == kMapper ? mapperName_ : devices_[static_cast<std::size_t>(index)];
    record({Op::ProductName, index, 0, {}, result});
    return result;
}

MidiResult SimulatedMidiService::open(int index, Handle& handle) {
    MidiResult result = MidiError::NoError;
    const bool inUse = std::any_of(open_.begin(), open_.end(),
                                   [index](const auto& entry) { return entry.second == index; });
    if (auto failure = openFailures_.find(index); failure != openFailures_.end())
        result = failure->second;
    else if (!validIndex(index))
        result = MidiError::BadDeviceId;
    else if (inUse)
        result = MidiError::Allocated;
    if (result == MidiError::NoError) {
        handle = nextHandle_++;
        open_[handle] = index;
        mapperRegistered_ = mapperRegistered_ || index == kMapper;
    }
    record({Op::Open, index, result == MidiError::NoError ? handle : 0, {}, result});
    return result;
}

MidiResult SimulatedMidiService::shortMessage(Handle handle, std::uint32_t packed) {
    const MidiResult result = scripted(Op::Short, handle);
    const ShortMessageBytes wire = UnpackShortMessage(packed);
    record({Op::Short, 0, handle, {wire.bytes.begin(), wire.bytes.begin() + wire.size}, result});
    return result;
}

MidiResult SimulatedMidiService::longMessage(Handle handle, std::vector<std::uint8_t> bytes) {
    const MidiResult result = scripted(Op::Long, handle);
    record({Op::Long, 0, handle, std::move(bytes), result});
    return result;
}

MidiResult SimulatedMidiService::reset(Handle handle) {
    const MidiResult result = scripted(Op::Reset, handle);
    record({Op::Reset, 0, handle, {}, result});
    return result;
}

MidiResult SimulatedMidiService::close(Handle handle) {
    const MidiResult result = scripted(Op::Close, handle);
    if (result == MidiError::NoError) {
        open_.erase(handle);
        lost_.erase(handle);
    }
    record({Op::Close, 0, handle, {}, result});
    return result;
}

std::optional<std::string> SimulatedMidiService::errorText(MidiResult code) {
    record({Op::ErrorText, code, 0, {}, MidiError::NoError});
    if (auto text = texts_.find(code); text != texts_.end())
        return text->second;
    return StandardMidiErrorText(code);
}

bool SimulatedMidiService::validIndex(int index) const {
    return index == kMapper || (index >= 0 && static_cast<std::size_t>(index) < devices_.size());
}

MidiResult SimulatedMidiService::scripted(Op op, Handle handle) {
    if (open_.count(handle) == 0)
        return MidiError::InvalidHandle;
    if (lost_.count(handle) != 0 && op != Op::Reset && op != Op::Close)
        return MidiError::NoDevice;
    auto pending = pendingFailures_.find(op);
    if (pending == pendingFailures_.end())
        return MidiError::NoError;
    if (pending->second.skip-- > 0)
        return MidiError::NoError;
    const MidiResult code = pending->second.code;
    pendingFailures_.erase(pending);
    return code;
}

void SimulatedMidiService::record(Call call) {
    if (recording_)
        calls_.push_back(std::move(call));
}

} // namespace vireo

namespace vireo {

void SimulatedMidiService::unplugDevice(const std::string& name) {
    const auto found = std::find(devices_.begin(), devices_.end(), name);
    if (found == devices_.end())
        return;
    const int index = static_cast<int>(found - devices_.begin());
    for (auto& [handle, device] : open_) {
        if (device == index) {
            lost_.insert(handle);
            device = kGone;
        } else if (device > index)
            --device;
    }
    devices_.erase(found);
    changed();
}

void SimulatedMidiService::plugDevice(const std::string& name) {
    devices_.push_back(name);
    changed();
}

void SimulatedMidiService::addMapperPort(const std::string& name) {
    mapperPorts_.push_back(name);
    changed();
}

void SimulatedMidiService::removeMapperPort(const std::string& name) {
    std::erase(mapperPorts_, name);
    std::erase(mapperWires_, name);
    changed();
}

void SimulatedMidiService::wireMapper(const std::string& name) {
    mapperWires_.push_back(name);
    changed();
}

void SimulatedMidiService::unwireMapper(const std::string& name) {
    std::erase(mapperWires_, name);
    changed();
}

std::vector<std::string> SimulatedMidiService::mapperConnections() {
    return mapperRegistered_ ? mapperWires_ : std::vector<std::string>{};
}

MidiResult SimulatedMidiService::connectMapper(const std::string& name) {
    MidiResult result = MidiError::NoError;
    if (!mapperRegistered_)
        result = MidiError::InvalidHandle;
    else if (std::find(mapperPorts_.begin(), mapperPorts_.end(), name) == mapperPorts_.end())
        result = MidiError::NoDevice;
    else if (std::find(mapperWires_.begin(), mapperWires_.end(), name) == mapperWires_.end())
        mapperWires_.push_back(name);
    record({Op::ConnectMapper, kMapper, 0, {name.begin(), name.end()}, result});
    if (result == MidiError::NoError)
        changed();
    return result;
}

void SimulatedMidiService::changed() {
    if (listener_)
        listener_();
}

} // namespace vireo
