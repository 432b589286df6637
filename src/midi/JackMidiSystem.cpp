#include "midi/JackMidiSystem.h"

#include "midi/JackMidiCore.h"

#include <cctype>
#include <jack/jack.h>
#include <mutex>

namespace vireo {
namespace {

void Quiet(const char*) {}

// libjack reports a missing server on standard error; here a missing server is no error.
void SilenceJackLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        jack_set_error_function(Quiet);
        jack_set_info_function(Quiet);
    });
}

// Length of a " [digits]" at `at`, or 0.
std::size_t ClientIdAt(const std::string& name, std::size_t at) {
    if (name.compare(at, 2, " [") != 0)
        return 0;
    std::size_t end = at + 2;
    while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end])) != 0)
        ++end;
    if (end == at + 2 || end >= name.size() || name[end] != ']')
        return 0;
    return end + 1 - at;
}

} // namespace

std::string CleanJackPortName(const std::string& name) {
    std::string clean;
    clean.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        if (const std::size_t id = ClientIdAt(name, at)) {
            at += id;
            continue;
        }
        clean += name[at++];
    }
    return clean;
}

JackMidiSystem::JackMidiSystem(std::string clientName)
    : core_(std::make_shared<JackMidiCore>(std::move(clientName))) {
    SilenceJackLibrary();
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

} // namespace vireo
