#include "midi/SystemMidiService.h"

#include "midi/AlsaMidiSystem.h"
#include "midi/JackMidiSystem.h"
#include "midi/ShortMessage.h"

#include <algorithm>
#include <limits>

namespace vireo {
namespace {

constexpr const char* kMapperName = "MIDI Mapper";

std::vector<std::unique_ptr<MidiSystem>> MachineSystems() {
    std::vector<std::unique_ptr<MidiSystem>> systems;
    systems.push_back(std::make_unique<AlsaMidiSystem>());
    systems.push_back(std::make_unique<JackMidiSystem>());
    return systems;
}

} // namespace

SystemMidiService::SystemMidiService()
    : SystemMidiService(MachineSystems()) {}

SystemMidiService::SystemMidiService(std::vector<std::unique_ptr<MidiSystem>> systems)
    : systems_(std::move(systems)) {}

SystemMidiService::~SystemMidiService() {
    for (const auto& [handle, port] : open_)
        port.system->close(port.id);
}

unsigned SystemMidiService::deviceCount() {
    scan();
    return static_cast<unsigned>(
        std::min<std::size_t>(devices_.size(), std::numeric_limits<unsigned>::max()));
}

MidiResult SystemMidiService::productName(int index, std::string& name) {
    if (index == kMapper) {
        if (mapperSystem() == nullptr)
            return MidiError::NoDriver;
        name = kMapperName;
        return MidiError::NoError;
    }
    const Device* found = device(index);
    if (found == nullptr)
        return MidiError::BadDeviceId;
    name = found->port.name;
    return MidiError::NoError;
}

MidiResult SystemMidiService::open(int index, Handle& handle) {
    MidiSystem* system = nullptr;
    int id = 0;
    MidiResult result = MidiError::NoError;
    if (index == kMapper) {
        system = mapperSystem();
        result = system == nullptr ? MidiError::NoDriver : system->openOwnPort(id);
        if (result == MidiError::NoError)
            ownSystem_ = system;
    } else if (const Device* found = device(index)) {
        system = found->system;
        result = system->openPort(found->port, id);
    } else {
        result = MidiError::BadDeviceId;
    }
    if (result != MidiError::NoError)
        return result;
    handle = nextHandle_++;
    open_[handle] = OpenPort{system, id};
    return MidiError::NoError;
}

MidiResult SystemMidiService::shortMessage(Handle handle, std::uint32_t packed) {
    const OpenPort* port = find(handle);
    if (port == nullptr)
        return MidiError::InvalidHandle;
    const ShortMessageBytes wire = UnpackShortMessage(packed);
    if (wire.size == 0)
        return MidiError::InvalidParameter; // no status byte: nothing a receiver could read
    return port->system->send(port->id, std::span(wire.bytes.data(), wire.size));
}

MidiResult SystemMidiService::longMessage(Handle handle, std::vector<std::uint8_t> bytes) {
    const OpenPort* port = find(handle);
    if (port == nullptr)
        return MidiError::InvalidHandle;
    if (bytes.empty())
        return MidiError::InvalidParameter;
    return port->system->send(port->id, bytes);
}

MidiResult SystemMidiService::reset(Handle handle) {
    const OpenPort* port = find(handle);
    return port == nullptr ? MidiError::InvalidHandle : port->system->reset(port->id);
}

MidiResult SystemMidiService::close(Handle handle) {
    const auto port = open_.find(handle);
    if (port == open_.end())
        return MidiError::InvalidHandle;
    const MidiResult result = port->second.system->close(port->second.id);
    if (result == MidiError::NoError)
        open_.erase(port);
    releaseUnused();
    return result;
}

std::optional<std::string> SystemMidiService::errorText(MidiResult code) {
    return StandardMidiErrorText(code);
}

bool SystemMidiService::deviceLost(Handle handle) {
    const OpenPort* port = find(handle);
    return port != nullptr && port->system->lost(port->id);
}

std::vector<std::string> SystemMidiService::mapperConnections() {
    MidiSystem* system = mapperSystem();
    std::vector<std::string> names;
    if (system != nullptr && system == ownSystem_)
        names = system->ownPortConnections();
    return names;
}

std::vector<std::string> SystemMidiService::mapperPorts() {
    std::vector<std::string> names;
    if (MidiSystem* system = mapperSystem()) {
        for (MidiSystem::Port& port : system->outputPorts())
            names.push_back(std::move(port.name));
    }
    return names;
}

MidiResult SystemMidiService::connectMapper(const std::string& name) {
    MidiSystem* system = mapperSystem();
    MidiResult result = MidiError::NoDriver;
    if (system != nullptr)
        result = system == ownSystem_ ? system->connectOwnPort(name) : MidiError::InvalidHandle;
    return result;
}

void SystemMidiService::setChangeListener(ChangeListener listener) {
    for (const auto& system : systems_)
        system->setChangeListener(listener);
}

void SystemMidiService::scan() {
    devices_.clear();
    serversAnswering_ = 0;
    for (const auto& system : systems_) {
        if (!system->answers())
            continue;
        serversAnswering_ += system->isServer() ? 1 : 0;
        for (MidiSystem::Port& port : system->outputPorts())
            devices_.push_back(Device{system.get(), std::move(port)});
    }
    scanned_ = true;
}

void SystemMidiService::prepare(const std::vector<std::string>& searched) {
    for (const std::string& text : searched) {
        for (const Device& device : devices_) {
            if (device.port.name.find(text) != std::string::npos) {
                device.system->prepare(device.port);
                return;
            }
        }
    }
}

// Systems that were only listed or asked let go of their connection until the next call.
void SystemMidiService::releaseUnused() {
    for (const auto& system : systems_)
        system->releaseUnused();
}

const SystemMidiService::Device* SystemMidiService::device(int index) {
    if (!scanned_)
        scan();
    if (index < 0 || static_cast<std::size_t>(index) >= devices_.size())
        return nullptr;
    return &devices_[static_cast<std::size_t>(index)];
}

MidiSystem* SystemMidiService::mapperSystem() {
    if (ownSystem_ != nullptr && ownSystem_->answers())
        return ownSystem_;
    for (const auto& system : systems_) {
        if (system->answers())
            return system.get();
    }
    return nullptr;
}

const SystemMidiService::OpenPort* SystemMidiService::find(Handle handle) const {
    const auto port = open_.find(handle);
    return port == open_.end() ? nullptr : &port->second;
}

} // namespace vireo
