#include "midi/JackMidiSystem.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <mutex>
#include <pthread.h>
#include <string>
#include <system_error>
#include <unistd.h>

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

using Clock = std::chrono::steady_clock;

void Pause() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Polls `done` every millisecond for up to `limit`; whether it came true.
template <typename Done> bool WaitUntil(Done done, std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= until)
            return false;
        Pause();
    }
    return true;
}

// Waits up to `limit` for the thread of this process with that id to end.
void WaitForThreadEnd(pid_t thread, std::chrono::milliseconds limit) {
    const std::string task = "/proc/self/task/" + std::to_string(thread);
    WaitUntil([&] { return access(task.c_str(), F_OK) != 0; }, limit);
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

// jack_client_open waits as long as the server takes to let the client in: for ever, when the
// server hangs. So it runs on a thread of its own and is given up after `limit`; a client the
// server lets in after that is closed at once.
jack_client_t* OpenClient(const std::string& name, std::chrono::milliseconds limit) {
    struct Pending {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        bool abandoned = false;
        jack_client_t* client = nullptr;
    };
    auto pending = std::make_shared<Pending>();
    try {
        std::thread([pending, name] {
            jack_status_t status{};
            jack_client_t* client = jack_client_open(name.c_str(), JackNoStartServer, &status);
            std::unique_lock lock(pending->mutex);
            if (pending->abandoned) {
                lock.unlock();
                if (client != nullptr)
                    jack_client_close(client);
                return;
            }
            pending->client = client;
            pending->done = true;
            pending->finished.notify_one();
        }).detach();
    } catch (const std::system_error&) {
        jack_status_t status{};
        return jack_client_open(name.c_str(), JackNoStartServer, &status);
    }
    std::unique_lock lock(pending->mutex);
    if (!pending->finished.wait_for(lock, limit, [&] { return pending->done; })) {
        pending->abandoned = true;
        return nullptr;
    }
    return pending->client;
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

std::atomic<int> JackMidiSystem::connectedClients_{0};

bool JackMidiSystem::AnyClientConnected() {
    return connectedClients_.load() > 0;
}

std::atomic<int> JackMidiSystem::answeredSystems_{0};

bool JackMidiSystem::AnyServerAnswered() {
    return answeredSystems_.load() > 0;
}

void JackMidiSystem::setAnswered(bool answered) {
    if (answered_.exchange(answered) != answered)
        answeredSystems_.fetch_add(answered ? 1 : -1);
}

// Counts this system's client once while it is connected; safe from the notification thread.
void JackMidiSystem::setCounted(bool connected) {
    if (counted_.exchange(connected) != connected)
        connectedClients_.fetch_add(connected ? 1 : -1);
}

JackMidiSystem::JackMidiSystem(std::string clientName)
    : clientName_(std::move(clientName)) {
    SilenceJackLibrary();
}

JackMidiSystem::~JackMidiSystem() {
    disconnect();
    setAnswered(false);
}

bool JackMidiSystem::answers() {
    return connect();
}

std::vector<MidiSystem::Port> JackMidiSystem::outputPorts() {
    std::vector<Port> ports;
    const std::lock_guard lock(clientMutex_);
    jack_client_t* client = client_.load();
    if (client == nullptr)
        return ports;
    const char** names = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
    if (names == nullptr)
        return ports;
    for (const char** name = names; *name != nullptr; ++name) {
        jack_port_t* port = jack_port_by_name(client, *name);
        if (port != nullptr && jack_port_is_mine(client, port))
            continue;
        ports.push_back(Port{CleanJackPortName(*name), *name});
    }
    jack_free(static_cast<void*>(names));
    return ports;
}

MidiResult JackMidiSystem::openPort(const Port& port, int& id) {
    if (!connect() || !activate())
        return MidiError::NoDriver;
    const std::lock_guard lock(clientMutex_);
    jack_client_t* client = client_.load();
    if (client == nullptr)
        return MidiError::NoDriver; // its server went away meanwhile
    if (serverStalled())
        return MidiError::NotReady;
    reclaimReleased();
    jack_port_t* target = jack_port_by_name(client, port.key.c_str());
    if (target == nullptr)
        return MidiError::NoDevice;
    Slot* slot = freeSlot();
    if (slot == nullptr)
        return MidiError::NoMemory;
    if (MidiResult result = registerPort(*slot, "out_" + std::to_string(++portCounter_)))
        return result;
    slot->target.store(target);
    if (jack_connect(client, jack_port_name(slot->registered.load()), port.key.c_str()) != 0) {
        unregisterPort(*slot);
        return MidiError::NoDevice;
    }
    id = publish(static_cast<std::size_t>(slot - slots_.data()));
    return MidiError::NoError;
}

MidiResult JackMidiSystem::openOwnPort(int& id) {
    if (!connect() || !activate())
        return MidiError::NoDriver;
    const std::lock_guard lock(clientMutex_);
    if (client_.load() == nullptr)
        return MidiError::NoDriver;
    if (Slot* own = ownSlot(); own != nullptr && own->state == SlotState::Open)
        return MidiError::Allocated;
    if (serverStalled())
        return MidiError::NotReady;
    reclaimReleased();
    if (Slot* own = ownSlot()) {
        id = publish(static_cast<std::size_t>(own - slots_.data()));
        return MidiError::NoError;
    }
    Slot* slot = freeSlot();
    if (slot == nullptr)
        return MidiError::NoMemory;
    if (MidiResult result = registerPort(*slot, clientName_))
        return result;
    slot->own = true;
    id = publish(static_cast<std::size_t>(slot - slots_.data()));
    return MidiError::NoError;
}

MidiResult JackMidiSystem::send(int id, std::span<const std::uint8_t> message) {
    const auto opened = opened_.find(id);
    if (opened == opened_.end())
        return MidiError::InvalidHandle;
    Slot* slot = liveSlot(opened->second);
    if (slot == nullptr || slot->lost.load())
        return MidiError::NoDevice;
    const std::size_t maxEvent = maxEventSize_.load(std::memory_order_relaxed);
    if (maxEvent != 0 && message.size() > maxEvent)
        return MidiError::InvalidParameter;
    switch (slot->queue->push(message)) {
    case JackMidiQueue::Push::Queued:
        return MidiError::NoError;
    case JackMidiQueue::Push::Full:
        return MidiError::NotReady;
    case JackMidiQueue::Push::TooLarge:
        break;
    }
    return MidiError::InvalidParameter;
}

MidiResult JackMidiSystem::reset(int id) {
    // Nothing sounds on its own here, and what is queued still goes out.
    return opened_.count(id) != 0 ? MidiError::NoError : MidiError::InvalidHandle;
}

MidiResult JackMidiSystem::close(int id) {
    const auto opened = opened_.find(id);
    if (opened == opened_.end())
        return MidiError::InvalidHandle;
    Slot* slot = liveSlot(opened->second);
    if (slot != nullptr && !slot->lost.load() && !drained(*slot))
        return MidiError::NotReady; // the server does not answer: still open, nothing lost
    opened_.erase(opened);
    releaseSlot(slot);
    releaseUnused();
    return MidiError::NoError;
}

bool JackMidiSystem::lost(int id) {
    const auto opened = opened_.find(id);
    if (opened == opened_.end())
        return false;
    const Slot* slot = liveSlot(opened->second);
    return slot == nullptr || slot->lost.load();
}

void JackMidiSystem::releaseSlot(Slot* slot) {
    const std::lock_guard lock(clientMutex_);
    if (slot == nullptr || client_.load() == nullptr)
        return;                    // gone with its server; disconnect() frees the rest
    slot->queue->discardPending(); // what a drain that timed out left
    if (slot->own) {
        slot->state = SlotState::Closed; // stays registered and connected
        return;
    }
    // Cut the connections now, so nobody reads the port's last buffer again; the port itself
    // goes once the process cycle is sure to have let go of it.
    jack_port_disconnect(client_.load(), slot->registered.load());
    slot->live.store(nullptr);
    slot->releasedAt = cyclesDone_.load();
    slot->state = SlotState::Releasing;
}

// A client with no port of ours in use only costs: its process thread wakes every cycle, and
// it maps the server's port table. The own port counts as in use from its first open on.
void JackMidiSystem::releaseUnused() {
    if (client_.load() == nullptr || serverGone_.load() || inUse())
        return;
    // Closing an active client asks the server: one that does not answer keeps the client
    // until a later call.
    if (active_ && serverStalled())
        return;
    disconnect();
}

// Whether a port of ours is registered and not on its way out.
bool JackMidiSystem::inUse() const {
    for (const Slot& slot : slots_) {
        if (slot.registered.load() != nullptr && slot.state != SlotState::Releasing)
            return true;
    }
    return false;
}

// Waits until the process cycle has sent what the slot's queue holds: false when the server
// stopped answering meanwhile. A queue that running cycles do not empty within kDrainMs (its
// connection is not there) is given up.
bool JackMidiSystem::drained(Slot& slot) {
    const Clock::time_point start = Clock::now();
    const std::uint64_t startCycles = cyclesDone_.load();
    while (!slot.queue->empty() && !serverGone_.load()) {
        const auto waited = Clock::now() - start;
        const bool cycling = cyclesDone_.load() != startCycles;
        if (cycling && waited >= std::chrono::milliseconds(kDrainMs))
            return true;
        if (!cycling && waited >= std::chrono::milliseconds(kStalledMs))
            return false;
        Pause();
    }
    return true;
}

// Whether the server's process cycle stopped running (a hung or stopped server): waits at
// most kStalledMs for the next cycle.
bool JackMidiSystem::serverStalled() {
    const std::uint64_t startCycles = cyclesDone_.load();
    return !WaitUntil([&] { return cyclesDone_.load() != startCycles || serverGone_.load(); },
                      std::chrono::milliseconds(kStalledMs));
}

std::vector<std::string> JackMidiSystem::ownPortConnections() {
    std::vector<std::string> names;
    const std::lock_guard lock(clientMutex_);
    jack_client_t* client = client_.load();
    Slot* own = ownSlot();
    if (client == nullptr || own == nullptr || serverGone_.load())
        return names;
    const char** connections = jack_port_get_all_connections(client, own->registered.load());
    if (connections == nullptr)
        return names;
    for (const char** name = connections; *name != nullptr; ++name)
        names.push_back(CleanJackPortName(*name));
    jack_free(static_cast<void*>(connections));
    return names;
}

MidiResult JackMidiSystem::connectOwnPort(const std::string& name) {
    if (!connect())
        return MidiError::NoDriver;
    const std::lock_guard lock(clientMutex_);
    jack_client_t* client = client_.load();
    if (client == nullptr)
        return MidiError::NoDriver;
    Slot* own = ownSlot();
    if (own == nullptr)
        return MidiError::InvalidHandle;
    const std::string target = findInputPort(client, name);
    if (target.empty())
        return MidiError::NoDevice;
    jack_port_t* port = own->registered.load();
    if (jack_port_connected_to(port, target.c_str()) != 0)
        return MidiError::NoError;
    if (serverStalled())
        return MidiError::NotReady;
    const int result = jack_connect(client, jack_port_name(port), target.c_str());
    if (result != 0 && result != EEXIST)
        return MidiError::NoDevice;
    // The new wire reaches the receiver a cycle or two later; what is queued waits for it.
    own->holdUntil.store(cyclesDone_.load() + kSettleCycles + 1);
    return MidiError::NoError;
}

void JackMidiSystem::setChangeListener(ChangeListener listener) {
    const std::lock_guard lock(listenerMutex_);
    listener_ = std::move(listener);
}

void JackMidiSystem::notifyChange() {
    const std::lock_guard lock(listenerMutex_);
    if (listener_)
        listener_();
}

// The full name of another client's MIDI input port whose product name is `name`.
std::string JackMidiSystem::findInputPort(jack_client_t* client, const std::string& name) const {
    std::string found;
    const char** names = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
    if (names == nullptr)
        return found;
    for (const char** full = names; *full != nullptr && found.empty(); ++full) {
        jack_port_t* port = jack_port_by_name(client, *full);
        if (port != nullptr && !jack_port_is_mine(client, port) && CleanJackPortName(*full) == name)
            found = *full;
    }
    jack_free(static_cast<void*>(names));
    return found;
}

JackMidiSystem::Slot* JackMidiSystem::ownSlot() {
    for (Slot& slot : slots_) {
        if (slot.own && slot.registered.load() != nullptr)
            return &slot;
    }
    return nullptr;
}

int JackMidiSystem::Process(jack_nframes_t frames, void* self) {
    static_cast<JackMidiSystem*>(self)->processCycle(frames);
    return 0;
}

void JackMidiSystem::ShutDown(jack_status_t, const char*, void* self) {
    // jack_client_close on the window thread cancels this thread, at any instruction: not
    // while the reaper is being started, or its state would be freed under it.
    int cancelState = 0;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancelState);
    auto* system = static_cast<JackMidiSystem*>(self);
    system->serverGone_.store(true);
    system->setCounted(false);
    system->setAnswered(false);
    system->closeDeadClient();
    pthread_setcancelstate(cancelState, nullptr);
}

// libjack crashes closing a client whose server died once a server of the same name has
// started again, so the dead client is closed at once; by a thread of our own, because
// jack_client_close stops the thread that tells of the shutdown. It stops it by cancelling
// it, so the reaper first lets that thread finish: cancelled while still in the library, it
// could leave a lock of the library's held, and the close would wait for it for ever.
void JackMidiSystem::closeDeadClient() {
    if (reaping_.exchange(true))
        return;
    jack_client_t* dead = client_.load();
    const pid_t reporter = gettid();
    reaper_ = std::thread([this, dead, reporter] {
        WaitForThreadEnd(reporter, std::chrono::milliseconds(kReporterEndMs));
        const std::lock_guard lock(clientMutex_);
        if (dead == nullptr || client_.load() != dead)
            return; // the window thread closed it first
        jack_client_close(dead);
        client_.store(nullptr);
    });
}

void JackMidiSystem::PortConnect(jack_port_id_t a, jack_port_id_t b, int connect, void* self) {
    auto* system = static_cast<JackMidiSystem*>(self);
    if (connect == 0)
        system->connectionChanged(a, b);
    system->notifyChange();
}

void JackMidiSystem::PortRegistered(jack_port_id_t, int, void* self) {
    static_cast<JackMidiSystem*>(self)->notifyChange();
}

int JackMidiSystem::GraphOrder(void* self) {
    static_cast<JackMidiSystem*>(self)->notifyChange();
    return 0;
}

void JackMidiSystem::processCycle(jack_nframes_t frames) {
    for (Slot& slot : slots_) {
        jack_port_t* port = slot.live.load();
        if (port == nullptr)
            continue;
        void* buffer = jack_port_get_buffer(port, frames);
        jack_midi_clear_buffer(buffer);
        maxEventSize_.store(jack_midi_max_event_size(buffer), std::memory_order_relaxed);
        if (slot.target.load() != nullptr && !settled(slot, port))
            continue;
        if (cyclesDone_.load(std::memory_order_relaxed) < slot.holdUntil.load())
            continue;
        slot.queue->drain([buffer](std::size_t size) -> std::uint8_t* {
            return jack_midi_event_reserve(buffer, 0, size);
        });
    }
    cyclesDone_.fetch_add(1);
}

// A new connection reaches the receiver only a cycle or two after jack_connect returned (the
// server changes its graph between cycles, and a cycle that starts late still runs on the old
// one): messages sent meanwhile would go nowhere, so they wait for a settled connection.
bool JackMidiSystem::settled(Slot& slot, jack_port_t* port) {
    if (jack_port_connected(port) == 0) {
        slot.connectedCycles.store(0, std::memory_order_relaxed);
        return false;
    }
    const int cycles = slot.connectedCycles.load(std::memory_order_relaxed) + 1;
    if (cycles >= kSettleCycles)
        return true;
    slot.connectedCycles.store(cycles, std::memory_order_relaxed);
    return false;
}

// A connection of one of our device ports went away (its device left, or someone cut it):
// sends on it fail from now on instead of going nowhere.
void JackMidiSystem::connectionChanged(jack_port_id_t a, jack_port_id_t b) {
    jack_client_t* client = client_.load();
    if (client == nullptr)
        return;
    jack_port_t* first = jack_port_by_id(client, a);
    jack_port_t* second = jack_port_by_id(client, b);
    for (Slot& slot : slots_) {
        jack_port_t* ours = slot.registered.load();
        jack_port_t* target = slot.target.load();
        if (ours == nullptr || target == nullptr)
            continue;
        if ((first == ours && second == target) || (first == target && second == ours))
            slot.lost.store(true);
    }
}

bool JackMidiSystem::connect() {
    if (client_.load() != nullptr && !serverGone_.load())
        return true;
    disconnect();
    jack_client_t* client = OpenClient(clientName_, std::chrono::milliseconds(kOpenMs));
    setAnswered(client != nullptr);
    if (client == nullptr)
        return false;
    serverGone_.store(false);
    client_.store(client);
    jack_set_process_callback(client, Process, this);
    jack_on_info_shutdown(client, ShutDown, this);
    jack_set_port_connect_callback(client, PortConnect, this);
    jack_set_port_registration_callback(client, PortRegistered, this);
    // A client's ports take connections only once it is active, which reorders the graph.
    jack_set_graph_order_callback(client, GraphOrder, this);
    ++session_;
    setCounted(!serverGone_.load());
    return true;
}

// Only a client that opens ports takes part in the server's cycles; one that lists them costs
// the server nothing and is closed without waiting for a cycle.
bool JackMidiSystem::activate() {
    if (active_)
        return true;
    bool activated = false;
    {
        const std::lock_guard lock(clientMutex_);
        jack_client_t* client = client_.load();
        activated = client != nullptr && jack_activate(client) == 0;
    }
    if (!activated) {
        disconnect();
        setAnswered(false);
        return false;
    }
    active_ = true;
    return true;
}

void JackMidiSystem::disconnect() {
    setCounted(false);
    // A reaper at work closes the client itself, once the thread that told of the shutdown
    // has finished.
    if (reaping_.load())
        WaitUntil([this] { return client_.load() == nullptr; },
                  std::chrono::milliseconds(2 * kReporterEndMs));
    {
        const std::lock_guard lock(clientMutex_);
        if (jack_client_t* client = client_.exchange(nullptr))
            jack_client_close(client); // stops the client's threads; its ports go with it
    }
    // The client's threads have stopped (closed here or by the reaper), so a reaper they
    // started is set and can be joined.
    if (reaper_.joinable())
        reaper_.join();
    reaping_.store(false);
    active_ = false;
    for (Slot& slot : slots_) {
        slot.live.store(nullptr);
        slot.registered.store(nullptr);
        slot.target.store(nullptr);
        slot.lost.store(false);
        slot.state = SlotState::Free;
        slot.own = false;
        if (slot.queue)
            slot.queue->clear();
    }
    maxEventSize_.store(0);
    ++session_; // ports opened on this client are dead from here on
}

// Ports closed at least one whole process cycle ago are no longer touched by it.
void JackMidiSystem::reclaimReleased() {
    for (Slot& slot : slots_) {
        if (slot.state == SlotState::Releasing && cyclesDone_.load() > slot.releasedAt)
            unregisterPort(slot);
    }
}

JackMidiSystem::Slot* JackMidiSystem::freeSlot() {
    for (Slot& slot : slots_) {
        if (slot.state == SlotState::Free && slot.registered.load() == nullptr)
            return &slot;
    }
    return nullptr;
}

MidiResult JackMidiSystem::registerPort(Slot& slot, const std::string& name) {
    if (!slot.queue)
        slot.queue = std::make_unique<JackMidiQueue>(kQueueBytes);
    jack_port_t* port = jack_port_register(client_.load(), name.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                           JackPortIsOutput, 0);
    if (port == nullptr)
        return MidiError::NoMemory;
    slot.lost.store(false);
    slot.registered.store(port);
    return MidiError::NoError;
}

void JackMidiSystem::unregisterPort(Slot& slot) {
    slot.target.store(nullptr);
    if (jack_port_t* port = slot.registered.exchange(nullptr))
        jack_port_unregister(client_.load(), port);
    slot.queue->clear();
    slot.state = SlotState::Free;
    slot.own = false;
}

int JackMidiSystem::publish(std::size_t slot) {
    slots_[slot].state = SlotState::Open;
    slots_[slot].connectedCycles.store(0);
    slots_[slot].live.store(slots_[slot].registered.load());
    const int id = nextId_++;
    opened_[id] = Opened{slot, session_};
    return id;
}

// The slot of an open port whose server is still there, else nullptr.
JackMidiSystem::Slot* JackMidiSystem::liveSlot(const Opened& opened) {
    if (opened.session != session_ || serverGone_.load())
        return nullptr;
    return &slots_[opened.slot];
}

} // namespace vireo
