#include "midi/AlsaMidiSystem.h"

#include "midi/AlsaClientPool.h"
#include "midi/MidiSystemParts.h"

#include <alsa/asoundlib.h>
#include <cerrno>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vireo {
namespace {

constexpr unsigned kDeviceCapabilities = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
constexpr unsigned kMidiPortTypes =
    SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SYNTH | SND_SEQ_PORT_TYPE_APPLICATION;
// Longest message the parser takes whole; the system's own are at most 11 bytes.
constexpr std::size_t kParserBytes = 256;

// "Client:Port c:p", the form the sequencer's tools list ports in.
std::string ListedName(snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
    return std::string(snd_seq_client_info_get_name(client)) + ':' +
           snd_seq_port_info_get_name(port) + ' ' +
           std::to_string(snd_seq_port_info_get_client(port)) + ':' +
           std::to_string(snd_seq_port_info_get_port(port));
}

bool IsDevice(snd_seq_port_info_t* port) {
    const unsigned capabilities = snd_seq_port_info_get_capability(port);
    return (capabilities & kDeviceCapabilities) == kDeviceCapabilities &&
           (capabilities & SND_SEQ_PORT_CAP_NO_EXPORT) == 0 &&
           (snd_seq_port_info_get_type(port) & kMidiPortTypes) != 0;
}

} // namespace

std::vector<snd_seq_event_t> AlsaEvents(std::span<const std::uint8_t> bytes) {
    std::vector<snd_seq_event_t> events;
    if (bytes.empty())
        return events;
    if (bytes[0] == 0xF0) {
        snd_seq_event_t event{};
        snd_seq_ev_set_sysex(&event, static_cast<unsigned>(bytes.size()),
                             const_cast<std::uint8_t*>(bytes.data()));
        events.push_back(event);
        return events;
    }
    snd_midi_event_t* parser = nullptr;
    if (snd_midi_event_new(std::max(kParserBytes, bytes.size()), &parser) < 0)
        return events;
    for (const std::uint8_t byte : bytes) {
        snd_seq_event_t event{};
        if (snd_midi_event_encode_byte(parser, byte, &event) == 1 &&
            event.type != SND_SEQ_EVENT_NONE)
            events.push_back(event);
    }
    snd_midi_event_free(parser);
    return events;
}

MidiResult AlsaResult(int error) {
    switch (-error) {
    case 0:
        return MidiError::NoError;
    case EAGAIN:
        return MidiError::NotReady;
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return MidiError::NoDevice;
    case ENOMEM:
    case ENOSPC:
        return MidiError::NoMemory;
    case EPERM:
    case EACCES:
    case EBUSY:
        return MidiError::Allocated;
    case EINVAL:
        return MidiError::InvalidParameter;
    default:
        return MidiError::Unspecified;
    }
}

AlsaMidiSystem::AlsaMidiSystem(std::string clientName)
    : clientName_(std::move(clientName)) {}

AlsaMidiSystem::~AlsaMidiSystem() {
    disconnect();
}

bool AlsaMidiSystem::answers() {
    const Lock lock(seqMutex_);
    return seq_ != nullptr || connect();
}

// Opens our client and its announcement port, and starts the thread that hears them.
bool AlsaMidiSystem::connect() {
    SilenceMidiLibraries();
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
        seq_ = nullptr;
        return false;
    }
    snd_seq_set_client_name(seq_, clientName_.c_str());
    clientId_ = snd_seq_client_id(seq_);
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    const unsigned hidden = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT;
    if (wakeFd_ < 0 || createPort(kAnnouncementPort, clientName_ + " announcements", hidden) ||
        snd_seq_connect_from(seq_, kAnnouncementPort, SND_SEQ_CLIENT_SYSTEM,
                             SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0) {
        disconnect();
        return false;
    }
    watcher_ = std::thread([this] { watch(); });
    return true;
}

// Not under seqMutex_: the watcher may wait for it before it sees the wake-up.
void AlsaMidiSystem::disconnect() {
    if (watcher_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = write(wakeFd_, &one, sizeof one);
        watcher_.join();
    }
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
    wakeFd_ = -1;
    if (seq_ != nullptr)
        snd_seq_close(seq_); // our ports and their subscriptions go with the client
    seq_ = nullptr;
}

// The watcher thread: reads announcements until woken through wakeFd_.
// The watcher thread: reads announcements until woken through wakeFd_. It shares the
// sequencer handle with the callers of this system, so it holds seqMutex_ while it uses it,
// and only then: it waits for announcements without it, and a batch of them is read and
// looked at in microseconds, so a send waits no longer than that.
void AlsaMidiSystem::watch() {
    std::vector<pollfd> fds;
    {
        const Lock lock(seqMutex_);
        const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
        fds.resize(static_cast<std::size_t>(count) + 1);
        snd_seq_poll_descriptors(seq_, fds.data() + 1, static_cast<unsigned>(count), POLLIN);
    }
    fds[0] = pollfd{wakeFd_, POLLIN, 0};
    for (;;) {
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents != 0)
            return;
        if (readAnnouncements())
            notifier_.notify();
    }
}

// Whether the announcements waiting tell of a change.
bool AlsaMidiSystem::readAnnouncements() {
    const Lock lock(seqMutex_);
    bool changed = false;
    snd_seq_event_t* event = nullptr;
    int read = 0;
    while ((read = snd_seq_event_input(seq_, &event)) >= 0 && event != nullptr)
        changed |= handleAnnouncement(*event);
    if (read == -ENOSPC) { // announcements were lost: look at everything again
        checkSubscriptions();
        changed = true;
    }
    return changed;
}

bool AlsaMidiSystem::handleAnnouncement(const snd_seq_event_t& event) {
    switch (event.type) {
    case SND_SEQ_EVENT_CLIENT_EXIT:
        // A client that starts later under its number is another receiver, with no backlog.
        stalls_.erase(event.data.addr.client);
        checkSubscriptions();
        return true;
    case SND_SEQ_EVENT_PORT_EXIT:
    case SND_SEQ_EVENT_PORT_UNSUBSCRIBED:
        checkSubscriptions();
        return true;
    case SND_SEQ_EVENT_CLIENT_START:
    case SND_SEQ_EVENT_PORT_START:
    case SND_SEQ_EVENT_PORT_SUBSCRIBED:
        return true;
    default:
        return false;
    }
}

void AlsaMidiSystem::setChangeListener(ChangeListener listener) {
    notifier_.set(std::move(listener));
}

// A device is lost once our subscription to it is gone, however it went: its port or client
// ended, or someone undid the subscription. Asking the sequencer instead of matching the
// announcement's address keeps a late announcement from touching a port opened since.
void AlsaMidiSystem::checkSubscriptions() {
    for (const Output& output : watched_) {
        if (!output.lost->load() && !subscribed(output))
            output.lost->store(true);
    }
}

bool AlsaMidiSystem::subscribed(const Output& output) const {
    snd_seq_port_subscribe_t* subscription = nullptr;
    snd_seq_port_subscribe_alloca(&subscription);
    const snd_seq_addr_t sender{static_cast<unsigned char>(clientId_),
                                static_cast<unsigned char>(output.port)};
    const snd_seq_addr_t target{static_cast<unsigned char>(output.target.client),
                                static_cast<unsigned char>(output.target.port)};
    snd_seq_port_subscribe_set_sender(subscription, &sender);
    snd_seq_port_subscribe_set_dest(subscription, &target);
    return snd_seq_get_port_subscription(seq_, subscription) == 0;
}

std::vector<MidiSystem::Port> AlsaMidiSystem::outputPorts() {
    const Lock lock(seqMutex_);
    std::vector<Port> ports;
    for (Device& device : devices())
        ports.push_back(std::move(device.port));
    return ports;
}

// The ports of other clients that take MIDI, as the sequencer lists them now.
std::vector<AlsaMidiSystem::Device> AlsaMidiSystem::devices() const {
    std::vector<Device> found;
    if (seq_ == nullptr)
        return found;
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq_, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == clientId_ || id == SND_SEQ_CLIENT_SYSTEM)
            continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq_, port) >= 0) {
            if (!IsDevice(port))
                continue;
            std::string listed = ListedName(client, port);
            found.push_back(Device{Port{CleanPortName(listed), std::move(listed)},
                                   Address{id, snd_seq_port_info_get_port(port)}});
        }
    }
    return found;
}

MidiResult AlsaMidiSystem::openPort(const Port& port, int& id) {
    const Lock lock(seqMutex_);
    if (!answers())
        return MidiError::NoDriver;
    // Port numbers move as clients come and go: find the port by its listed name again.
    const auto listed = devices();
    const auto found = std::find_if(listed.begin(), listed.end(),
                                    [&](const Device& each) { return each.port.key == port.key; });
    if (found == listed.end())
        return MidiError::NoDevice;
    Output output;
    output.port = freePortNumber();
    output.target = found->address;
    if (MidiResult result = createPort(output.port, clientName_ + " device", SND_SEQ_PORT_CAP_READ))
        return result;
    if (const int error =
            snd_seq_connect_to(seq_, output.port, output.target.client, output.target.port)) {
        snd_seq_delete_port(seq_, output.port);
        return AlsaResult(error);
    }
    watched_.push_back(output);
    // It may have gone before the watcher knew of it.
    if (!subscribed(output))
        output.lost->store(true);
    id = opened_.add(output);
    return MidiError::NoError;
}

MidiResult AlsaMidiSystem::openOwnPort(int& id) {
    const Lock lock(seqMutex_);
    const auto& entries = opened_.entries();
    const bool taken = std::any_of(entries.begin(), entries.end(),
                                   [](const auto& entry) { return entry.second.own; });
    if (taken)
        return MidiError::Allocated;
    if (!answers())
        return MidiError::NoDriver;
    if (MidiResult result = ensureOwnPort())
        return result;
    Output output;
    output.port = kOwnPort;
    output.own = true;
    id = opened_.add(output);
    return MidiError::NoError;
}

// The own port is made once and lives as long as the client, so that its connections outlast
// every close.
MidiResult AlsaMidiSystem::ensureOwnPort() {
    if (ownPortMade_)
        return MidiError::NoError;
    const unsigned readable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
    if (MidiResult result = createPort(kOwnPort, clientName_, readable))
        return result;
    ownPortMade_ = true;
    notifier_.notify();
    return MidiError::NoError;
}

std::vector<std::string> AlsaMidiSystem::ownPortConnections() {
    const Lock lock(seqMutex_);
    std::vector<std::string> names;
    if (seq_ == nullptr || !ownPortMade_)
        return names;
    Output own;
    own.port = kOwnPort;
    own.own = true;
    for (const Address& receiver : receivers(own)) {
        std::string name = productName(receiver);
        if (!name.empty())
            names.push_back(std::move(name));
    }
    return names;
}

MidiResult AlsaMidiSystem::connectOwnPort(const std::string& name) {
    const Lock lock(seqMutex_);
    if (!answers())
        return MidiError::NoDriver;
    if (!ownPortMade_)
        return MidiError::InvalidHandle;
    const auto port = FindPortByName(outputPorts(), name);
    if (!port)
        return MidiError::NoDevice;
    const auto listed = devices();
    const auto found = std::find_if(listed.begin(), listed.end(),
                                    [&](const Device& each) { return each.port.key == port->key; });
    if (found == listed.end())
        return MidiError::NoDevice;
    const int error =
        snd_seq_connect_to(seq_, kOwnPort, found->address.client, found->address.port);
    return error == -EBUSY ? MidiError::NoError : AlsaResult(error); // EBUSY: connected already
}

// "Client:Port" of a port of another client, as outputPorts() names it; empty once it is gone.
std::string AlsaMidiSystem::productName(const Address& address) const {
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    if (snd_seq_get_any_client_info(seq_, address.client, client) < 0 ||
        snd_seq_get_any_port_info(seq_, address.client, address.port, port) < 0)
        return {};
    return CleanPortName(ListedName(client, port));
}

MidiResult AlsaMidiSystem::send(int id, std::span<const std::uint8_t> message) {
    const Lock lock(seqMutex_);
    const Output* opened = opened_.find(id);
    if (opened == nullptr)
        return MidiError::InvalidHandle;
    const Output& output = *opened;
    if (output.lost->load())
        return MidiError::NoDevice;
    std::vector<snd_seq_event_t> events = AlsaEvents(message);
    if (events.empty())
        return MidiError::InvalidParameter;
    if (MidiResult result = stallCheck(output))
        return result;
    for (snd_seq_event_t& event : events) {
        snd_seq_ev_set_source(&event, static_cast<unsigned char>(output.port));
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        const int written = snd_seq_event_output_direct(seq_, &event);
        if (written < 0)
            return AlsaResult(written);
    }
    noteSent(output);
    return MidiError::NoError;
}

// NotReady while a receiver of the output sits on events it has not taken for a while.
MidiResult AlsaMidiSystem::stallCheck(const Output& output) {
    const auto now = AlsaStall::Clock::now();
    bool stalled = false;
    for (const Address& receiver : receivers(output))
        stalled |= stalls_[receiver.client].stalled(waitingCells(receiver.client), now);
    return stalled ? MidiError::NotReady : MidiError::NoError;
}

void AlsaMidiSystem::noteSent(const Output& output) {
    for (const Address& receiver : receivers(output))
        stalls_[receiver.client].sent(waitingCells(receiver.client));
}

// Where the output's events go: its device, or whoever is connected to the own port.
std::vector<AlsaMidiSystem::Address> AlsaMidiSystem::receivers(const Output& output) const {
    if (!output.own)
        return {output.target};
    std::vector<Address> found;
    snd_seq_query_subscribe_t* query = nullptr;
    snd_seq_query_subscribe_alloca(&query);
    const snd_seq_addr_t own{static_cast<unsigned char>(clientId_),
                             static_cast<unsigned char>(kOwnPort)};
    snd_seq_query_subscribe_set_root(query, &own);
    snd_seq_query_subscribe_set_type(query, SND_SEQ_QUERY_SUBS_READ);
    for (int index = 0;; ++index) {
        snd_seq_query_subscribe_set_index(query, index);
        if (snd_seq_query_port_subscribers(seq_, query) < 0)
            break;
        const snd_seq_addr_t* address = snd_seq_query_subscribe_get_addr(query);
        found.push_back(Address{address->client, address->port});
    }
    return found;
}

int AlsaMidiSystem::waitingCells(int client) const {
    pollfd fd{};
    if (snd_seq_poll_descriptors(seq_, &fd, 1, POLLOUT) != 1)
        return 0;
    return AlsaWaitingCells(fd.fd, client);
}

MidiResult AlsaMidiSystem::reset(int id) {
    // Sends go straight to the receivers, so nothing of ours is left to drop.
    const Lock lock(seqMutex_);
    return opened_.find(id) != nullptr ? MidiError::NoError : MidiError::InvalidHandle;
}

MidiResult AlsaMidiSystem::close(int id) {
    const Lock lock(seqMutex_);
    const Output* opened = opened_.find(id);
    if (opened == nullptr)
        return MidiError::InvalidHandle;
    const Output output = *opened;
    opened_.erase(id);
    if (output.own)
        return MidiError::NoError; // the port and its connections stay
    std::erase_if(watched_, [&](const Output& each) { return each.port == output.port; });
    // What was sent already waits at the receiver; deleting the port drops none of it.
    snd_seq_delete_port(seq_, output.port);
    return MidiError::NoError;
}

bool AlsaMidiSystem::lost(int id) {
    const Lock lock(seqMutex_);
    const Output* opened = opened_.find(id);
    return opened != nullptr && opened->lost->load();
}

int AlsaMidiSystem::freePortNumber() const {
    const auto used = [this](int number) {
        const auto& entries = opened_.entries();
        return std::any_of(entries.begin(), entries.end(),
                           [&](const auto& entry) { return entry.second.port == number; });
    };
    int number = kAnnouncementPort + 1;
    while (used(number))
        ++number;
    return number;
}

MidiResult AlsaMidiSystem::createPort(int number, const std::string& name, unsigned capabilities) {
    snd_seq_port_info_t* info = nullptr;
    snd_seq_port_info_alloca(&info);
    snd_seq_port_info_set_port(info, number);
    snd_seq_port_info_set_port_specified(info, 1);
    snd_seq_port_info_set_name(info, name.c_str());
    snd_seq_port_info_set_capability(info, capabilities);
    snd_seq_port_info_set_type(info,
                               SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    return AlsaResult(snd_seq_create_port(seq_, info));
}

} // namespace vireo
