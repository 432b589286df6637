#include "midi/AlsaMidiSystem.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <mutex>
#include <optional>
#include <regex>
#include <rtmidi/RtMidi.h>

namespace vireo {
namespace {

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// The ALSA library reports a missing sequencer on standard error; here it is no error.
void SilenceAlsaLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(QuietAlsa); });
}

bool AlsaCompiledIn() {
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), RtMidi::LINUX_ALSA) != apis.end();
}

// RtMidi prints to standard error before it throws for a missing sequencer, so look first.
bool SequencerAnswers() {
    snd_seq_t* sequencer = nullptr;
    if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0)
        return false;
    snd_seq_close(sequencer);
    return true;
}

MidiResult ToResult(RtMidiError::Type type) {
    switch (type) {
    case RtMidiError::DEBUG_WARNING:
        return MidiError::NoError;
    case RtMidiError::WARNING: // what a refused send reports
        return MidiError::NotReady;
    case RtMidiError::NO_DEVICES_FOUND:
    case RtMidiError::INVALID_DEVICE:
        return MidiError::NoDevice;
    case RtMidiError::MEMORY_ERROR:
        return MidiError::NoMemory;
    case RtMidiError::INVALID_PARAMETER:
    case RtMidiError::INVALID_USE:
        return MidiError::InvalidParameter;
    default:
        return MidiError::Unspecified;
    }
}

} // namespace

std::string CleanAlsaPortName(const std::string& name) {
    static const std::regex ids(R"( \d+:\d+$)");
    return std::regex_replace(name, ids, "");
}

// One sequencer client. RtMidi reports through the callback instead of throwing once it is
// set; take() turns what it reported since the last take() into a result code.
struct AlsaMidiSystem::Output {
    std::unique_ptr<RtMidiOut> midi;
    std::optional<RtMidiError::Type> error;
    bool own = false;

    static void OnError(RtMidiError::Type type, const std::string&, void* self) {
        auto& output = *static_cast<Output*>(self);
        if (!output.error)
            output.error = type;
    }

    MidiResult take() {
        const MidiResult result = error ? ToResult(*error) : MidiError::NoError;
        error.reset();
        return result;
    }
};

AlsaMidiSystem::AlsaMidiSystem(std::string clientName)
    : clientName_(std::move(clientName)) {}

AlsaMidiSystem::~AlsaMidiSystem() = default;

bool AlsaMidiSystem::answers() {
    if (!lister_)
        lister_ = makeOutput();
    return lister_ != nullptr;
}

std::vector<MidiSystem::Port> AlsaMidiSystem::outputPorts() {
    std::vector<Port> ports;
    if (!lister_)
        return ports;
    const unsigned count = lister_->midi->getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        std::string name = lister_->midi->getPortName(i);
        if (lister_->take() == MidiError::NoError && !name.empty())
            ports.push_back(Port{CleanAlsaPortName(name), name});
    }
    return ports;
}

MidiResult AlsaMidiSystem::openPort(const Port& port, int& id) {
    std::unique_ptr<Output> output = makeOutput();
    if (!output)
        return MidiError::NoDriver;
    // Port numbers move as clients come and go: find the port by its full name again.
    const unsigned count = output->midi->getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        if (output->midi->getPortName(i) != port.key)
            continue;
        output->take();
        output->midi->openPort(i, clientName_);
        if (MidiResult result = output->take())
            return result;
        id = keep(std::move(output));
        return MidiError::NoError;
    }
    return MidiError::NoDevice;
}

MidiResult AlsaMidiSystem::openOwnPort(int& id) {
    const bool taken = std::any_of(opened_.begin(), opened_.end(),
                                   [](const auto& entry) { return entry.second->own; });
    if (taken)
        return MidiError::Allocated;
    std::unique_ptr<Output> output = makeOutput();
    if (!output)
        return MidiError::NoDriver;
    output->midi->openVirtualPort(clientName_);
    if (MidiResult result = output->take())
        return result;
    output->own = true;
    id = keep(std::move(output));
    return MidiError::NoError;
}

MidiResult AlsaMidiSystem::send(int id, std::span<const std::uint8_t> message) {
    const auto opened = opened_.find(id);
    if (opened == opened_.end())
        return MidiError::InvalidHandle;
    Output& output = *opened->second;
    output.take();
    output.midi->sendMessage(message.data(), message.size()); // one event, however long
    return output.take();
}

MidiResult AlsaMidiSystem::reset(int id) {
    // Sends leave at once, so there is nothing queued to drop.
    return opened_.count(id) != 0 ? MidiError::NoError : MidiError::InvalidHandle;
}

MidiResult AlsaMidiSystem::close(int id) {
    return opened_.erase(id) != 0 ? MidiError::NoError : MidiError::InvalidHandle;
}

// A new sequencer client, or nullptr when there is no sequencer.
std::unique_ptr<AlsaMidiSystem::Output> AlsaMidiSystem::makeOutput() const {
    if (!AlsaCompiledIn())
        return nullptr; // RtMidi would quietly fall back to another system
    SilenceAlsaLibrary();
    if (!SequencerAnswers())
        return nullptr;
    auto output = std::make_unique<Output>();
    try {
        output->midi = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, clientName_);
    } catch (const RtMidiError&) {
        return nullptr;
    }
    output->midi->setErrorCallback(Output::OnError, output.get());
    return output;
}

int AlsaMidiSystem::keep(std::unique_ptr<Output> output) {
    const int id = nextId_++;
    opened_[id] = std::move(output);
    return id;
}

} // namespace vireo
