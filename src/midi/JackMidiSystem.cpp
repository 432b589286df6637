#include "midi/JackMidiSystem.h"

#include "midi/JackMidiCore.h"
#include "midi/MidiSystemParts.h"

namespace vireo {

JackMidiSystem::JackMidiSystem(std::string clientName)
    : core_(std::make_shared<JackMidiCore>(std::move(clientName))) {
    SilenceMidiLibraries();
}

// A close that a hung server keeps holds the core; the calls that ended let go of it here.
JackMidiSystem::~JackMidiSystem() {
    core_->end();
    core_->finishCalls();
}

bool JackMidiSystem::answers() {
    return core_->answers();
}

std::vector<MidiSystem::Port> JackMidiSystem::outputPorts() {
    return core_->outputPorts();
}

MidiResult JackMidiSystem::openPort(const Port& port, int& id) {
    return core_->openPort(port, id);
}

MidiResult JackMidiSystem::openOwnPort(int& id) {
    return core_->openOwnPort(id);
}

MidiResult JackMidiSystem::send(int id, std::span<const std::uint8_t> message) {
    return core_->send(id, message);
}

MidiResult JackMidiSystem::reset(int id) {
    return core_->reset(id);
}

MidiResult JackMidiSystem::close(int id) {
    return core_->close(id);
}

bool JackMidiSystem::lost(int id) {
    return core_->lost(id);
}

std::vector<std::string> JackMidiSystem::ownPortConnections() {
    return core_->ownPortConnections();
}

MidiResult JackMidiSystem::connectOwnPort(const std::string& name) {
    return core_->connectOwnPort(name);
}

void JackMidiSystem::setChangeListener(ChangeListener listener) {
    core_->setChangeListener(std::move(listener));
}

void JackMidiSystem::releaseUnused() {
    core_->releaseUnused();
}

void JackMidiSystem::prepare(const Port& port) {
    core_->prepare(port);
}

} // namespace vireo
