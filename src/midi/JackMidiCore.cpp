#include "midi/JackMidiCore.h"

#include "midi/MidiSystemParts.h"

#include <cerrno>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <pthread.h>
#include <vector>

namespace vireo {
namespace {

// Set when the thread it belongs to ends.
struct Latch {
    std::mutex mutex;
    std::condition_variable set;
    bool done = false;

    void open() {
        const std::lock_guard lock(mutex);
        done = true;
        set.notify_all();
    }
    void waitFor(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex);
        set.wait_for(lock, limit, [this] { return done; });
    }
};

// Opens its latches as the thread that made it ends.
struct ThreadEnd {
    std::vector<std::shared_ptr<Latch>> latches;
    ~ThreadEnd() {
        for (const auto& latch : latches)
            latch->open();
    }
};

// A latch opened when the calling thread ends.
std::shared_ptr<Latch> LatchOnThreadEnd() {
    thread_local ThreadEnd end;
    auto latch = std::make_shared<Latch>();
    end.latches.push_back(latch);
    return latch;
}

} // namespace

JackMidiCore::JackMidiCore(std::string clientName)
    : clientName_(std::move(clientName)) {}

JackMidiCore::~JackMidiCore() = default;

// Waits for the calls posted to the server thread, at most JackServerThread::kEndMs.
// A close that a hung server keeps is not waited for again.
void JackMidiCore::finishCalls() {
    if (!closeHung_)
        server_->finish(JackServerThread::kEndMs);
}

void JackMidiCore::end() {
    if (opening_) {
        const std::lock_guard lock(opening_->mutex);
        opening_->dropped = true; // an open still pending closes its client itself
    }
    if (jack_client_t* client = takeOpened())
        closeClient(client);
    disconnect();
}

std::vector<MidiSystem::Port> JackMidiCore::outputPorts() {
    const std::lock_guard lock(clientMutex_);
    jack_client_t* client = client_.load();
    return client == nullptr ? std::vector<MidiSystem::Port>() : listPorts(client);
}

// The MIDI input ports of the other clients: `client` lists them (without a call to the
// server), its caller holding clientMutex_.
std::vector<MidiSystem::Port> JackMidiCore::listPorts(jack_client_t* client) const {
    std::vector<MidiSystem::Port> ports;
    const char** names = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
    if (names == nullptr)
        return ports;
    for (const char** name = names; *name != nullptr; ++name) {
        jack_port_t* port = jack_port_by_name(client, *name);
        if (port != nullptr && jack_port_is_mine(client, port))
            continue;
        ports.push_back(MidiSystem::Port{CleanPortName(*name), *name});
    }
    jack_free(static_cast<void*>(names));
    return ports;
}

MidiResult JackMidiCore::openPort(const MidiSystem::Port& port, int& id) {
    if (!connect() || !activate())
        return MidiError::NoDriver;
    if (client_.load() == nullptr)
        return MidiError::NoDriver; // its server went away meanwhile
    // Taking the prepared port asks the server nothing, so it waits for no cycle.
    if (Slot* prepared = preparedSlot(port)) {
        // Connected cycles ago: the connection has reached the device.
        const bool settled = cyclesDone_.load() > prepared->connectedAt + kSettleCycles;
        id = publish(static_cast<std::size_t>(prepared - slots_.data()),
                     settled ? kSettleCycles - 1 : 0);
        return MidiError::NoError;
    }
    if (serverStalled())
        return MidiError::NotReady;
    reclaimReleased();
    jack_port_t* target = nullptr;
    {
        const std::lock_guard lock(clientMutex_);
        target = jack_port_by_name(client_.load(), port.key.c_str());
    }
    if (target == nullptr)
        return MidiError::NoDevice;
    Slot* slot = nullptr;
    if (MidiResult result = connectNewSlot(target, port.key, slot))
        return result;
    id = publish(static_cast<std::size_t>(slot - slots_.data()));
    return MidiError::NoError;
}

MidiResult JackMidiCore::openOwnPort(int& id) {
    if (!connect() || !activate())
        return MidiError::NoDriver;
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

MidiResult JackMidiCore::send(int id, std::span<const std::uint8_t> message) {
    const Opened* opened = opened_.find(id);
    if (opened == nullptr)
        return MidiError::InvalidHandle;
    Slot* slot = liveSlot(*opened);
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

MidiResult JackMidiCore::reset(int id) {
    // Nothing sounds on its own here, and what is queued still goes out.
    return opened_.find(id) != nullptr ? MidiError::NoError : MidiError::InvalidHandle;
}

MidiResult JackMidiCore::close(int id) {
    const Opened* opened = opened_.find(id);
    if (opened == nullptr)
        return MidiError::InvalidHandle;
    Slot* slot = liveSlot(*opened);
    if (slot != nullptr && !slot->lost.load() && !drained(*slot))
        return MidiError::NotReady; // the server does not answer: still open, nothing lost
    opened_.erase(id);
    releaseSlot(slot);
    releaseUnused();
    return MidiError::NoError;
}

bool JackMidiCore::lost(int id) {
    const Opened* opened = opened_.find(id);
    if (opened == nullptr)
        return false;
    const Slot* slot = liveSlot(*opened);
    return slot == nullptr || slot->lost.load();
}

// Cuts the port's connections now, so nobody reads its last buffer again; the port itself
// goes once the process cycle is sure to have let go of it.
void JackMidiCore::releaseSlot(Slot* slot) {
    jack_client_t* client = client_.load();
    if (slot == nullptr || client == nullptr)
        return;                    // gone with its server; disconnect() frees the rest
    slot->queue->discardPending(); // what a drain that timed out left
    if (slot->own) {
        slot->state = SlotState::Closed; // stays registered and connected
        return;
    }
    jack_port_t* port = slot->registered.load();
    server_->post([self = shared_from_this(), client, port] {
        if (self->current(client))
            jack_port_disconnect(client, port);
    });
    slot->live.store(nullptr);
    slot->releasedAt = cyclesDone_.load();
    slot->state = SlotState::Releasing;
}

// A client with no port of ours in use only costs: its process thread wakes every cycle, and
// it maps the server's port table. The own port counts as in use from its first open on.
void JackMidiCore::releaseUnused() {
    if (client_.load() == nullptr || serverGone_.load())
        return;
    if (Slot* spare = spareSlot())
        unregisterPort(*spare); // never published: the process cycle never read it
    if (!inUse())
        disconnect(); // on a hung server the close waits on the server thread, not here
}

// What opening the port waits for, done ahead: the client joins the server's cycles, and a
// port of ours is registered and connected to it, but not open (it sends nothing).
void JackMidiCore::prepare(const MidiSystem::Port& port) {
    if (!connect() || !activate() || client_.load() == nullptr || spareSlot() != nullptr)
        return;
    jack_port_t* target = nullptr;
    {
        const std::lock_guard lock(clientMutex_);
        target = jack_port_by_name(client_.load(), port.key.c_str());
    }
    Slot* slot = nullptr;
    if (target == nullptr || connectNewSlot(target, port.key, slot) != MidiError::NoError)
        return;
    slot->state = SlotState::Spare;
    slot->preparedFor = port.key;
    slot->connectedAt = cyclesDone_.load();
}

// Whether a port of ours is registered and not on its way out.
bool JackMidiCore::inUse() const {
    for (const Slot& slot : slots_) {
        if (slot.registered.load() != nullptr && slot.state != SlotState::Releasing)
            return true;
    }
    return false;
}

// Waits up to `limit` until `done` holds, woken by every process cycle and by the server's
// end. A cycle that ends between the look at `done` and the wait wakes nobody, so a wait may
// last until the next cycle.
template <typename Done>
bool JackMidiCore::waitForCycles(Done done, std::chrono::milliseconds limit) {
    std::unique_lock lock(cycleMutex_);
    cycleWaiters_.fetch_add(1);
    const bool held = cycleTicked_.wait_for(lock, limit, done);
    cycleWaiters_.fetch_sub(1);
    return held;
}

// Waits until the process cycle has sent what the slot's queue holds: false when the server
// stopped answering meanwhile. A queue that running cycles do not empty within kDrainMs (its
// connection is not there) is given up.
bool JackMidiCore::drained(Slot& slot) {
    const auto emptied = [&] { return slot.queue->empty() || serverGone_.load(); };
    if (emptied())
        return true;
    if (cyclesDone_.load() == stalledAt_)
        return false; // seen stalled, and no cycle ran since
    const std::uint64_t startCycles = cyclesDone_.load();
    if (waitForCycles(emptied, kDrainMs) || cyclesDone_.load() != startCycles)
        return true;
    const bool cycled =
        waitForCycles([&] { return cyclesDone_.load() != startCycles || serverGone_.load(); },
                      kStalledMs - kDrainMs);
    if (!cycled) {
        stalledAt_ = startCycles;
        return false;
    }
    waitForCycles(emptied, kDrainMs);
    return true;
}

// Whether the server's process cycle stopped running (a hung or stopped server): waits at
// most kStalledMs for the next cycle, and not again while no cycle ran since.
bool JackMidiCore::serverStalled() {
    const std::uint64_t startCycles = cyclesDone_.load();
    if (startCycles == stalledAt_)
        return true;
    const bool cycled = waitForCycles(
        [&] { return cyclesDone_.load() != startCycles || serverGone_.load(); }, kStalledMs);
    if (!cycled)
        stalledAt_ = startCycles;
    return !cycled;
}

std::vector<std::string> JackMidiCore::ownPortConnections() {
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
        names.push_back(CleanPortName(*name));
    jack_free(static_cast<void*>(connections));
    return names;
}

MidiResult JackMidiCore::connectOwnPort(const std::string& name) {
    if (!connect())
        return MidiError::NoDriver;
    Slot* own = ownSlot();
    if (own == nullptr)
        return MidiError::InvalidHandle;
    std::string target;
    {
        const std::lock_guard lock(clientMutex_);
        if (jack_client_t* client = client_.load()) {
            if (const auto found = FindPortByName(listPorts(client), name))
                target = found->key;
        }
    }
    if (target.empty())
        return MidiError::NoDevice;
    jack_port_t* port = own->registered.load();
    if (jack_port_connected_to(port, target.c_str()) != 0)
        return MidiError::NoError;
    if (serverStalled())
        return MidiError::NotReady;
    if (MidiResult result = connectPorts(port, target))
        return result;
    // The new wire reaches the receiver a cycle or two later; what is queued waits for it.
    own->holdUntil.store(cyclesDone_.load() + kSettleCycles + 1);
    return MidiError::NoError;
}

void JackMidiCore::setChangeListener(MidiSystem::ChangeListener listener) {
    notifier_.set(std::move(listener));
}

JackMidiCore::Slot* JackMidiCore::ownSlot() {
    for (Slot& slot : slots_) {
        if (slot.own && slot.registered.load() != nullptr)
            return &slot;
    }
    return nullptr;
}

int JackMidiCore::Process(jack_nframes_t frames, void* self) {
    static_cast<JackMidiCore*>(self)->processCycle(frames);
    return 0;
}

void JackMidiCore::ShutDown(jack_status_t, const char*, void* self) {
    // jack_client_close cancels this thread, at any instruction: not while the close of the
    // dead client is being posted.
    int cancelState = 0;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancelState);
    auto* core = static_cast<JackMidiCore*>(self);
    // Posted before the window thread can see the server gone, so that this close comes
    // before any of the window thread's.
    core->closeDeadClient();
    core->serverGone_.store(true);
    core->cycleTicked_.notify_all();
    pthread_setcancelstate(cancelState, nullptr);
}

// libjack crashes closing a client whose server died once a server of the same name has
// started again, so the dead client is closed at once. jack_client_close stops the thread
// that tells of the shutdown by cancelling it: cancelled while still in the library, it could
// leave a lock of the library's held, and the close would wait for it for ever. So the close
// first waits for that thread to end.
void JackMidiCore::closeDeadClient() {
    jack_client_t* dead = client_.load();
    std::shared_ptr<Latch> reporterEnded = LatchOnThreadEnd();
    server_->post([self = shared_from_this(), dead, reporterEnded] {
        reporterEnded->waitFor(kReporterEndMs);
        jack_client_t* expected = dead;
        {
            const std::lock_guard lock(self->clientMutex_);
            if (dead == nullptr || !self->client_.compare_exchange_strong(expected, nullptr))
                return; // the window thread took it for its own close, which follows this
        }
        jack_client_close(dead);
    });
}

void JackMidiCore::PortConnect(jack_port_id_t a, jack_port_id_t b, int connect, void* self) {
    auto* core = static_cast<JackMidiCore*>(self);
    if (connect == 0)
        core->connectionChanged(a, b);
    core->notifier_.notify();
}

void JackMidiCore::PortRegistered(jack_port_id_t, int, void* self) {
    static_cast<JackMidiCore*>(self)->notifier_.notify();
}

int JackMidiCore::GraphOrder(void* self) {
    static_cast<JackMidiCore*>(self)->notifier_.notify();
    return 0;
}

void JackMidiCore::processCycle(jack_nframes_t frames) {
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
    if (cycleWaiters_.load(std::memory_order_relaxed) > 0)
        cycleTicked_.notify_all();
}

// A new connection reaches the receiver only a cycle or two after jack_connect returned (the
// server changes its graph between cycles, and a cycle that starts late still runs on the old
// one): messages sent meanwhile would go nowhere, so they wait for a settled connection.
bool JackMidiCore::settled(Slot& slot, jack_port_t* port) {
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
void JackMidiCore::connectionChanged(jack_port_id_t a, jack_port_id_t b) {
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

void JackMidiCore::installCallbacks(jack_client_t* client) {
    jack_set_process_callback(client, Process, this);
    jack_on_info_shutdown(client, ShutDown, this);
    jack_set_port_connect_callback(client, PortConnect, this);
    jack_set_port_registration_callback(client, PortRegistered, this);
    // A client's ports take connections only once it is active, which reorders the graph.
    jack_set_graph_order_callback(client, GraphOrder, this);
}

// A client of the server, opened on the server thread. The first open of the system (the
// start-up's) is waited for up to kFirstOpenMs, later ones up to kOpenMs; a server that has
// not let the client in by then does not answer, and later calls do not wait for that open
// again: they take its client once it is there.
bool JackMidiCore::connect() {
    if (client_.load() != nullptr && !serverGone_.load())
        return true;
    disconnect();
    if (!opening_) {
        opening_ = startOpen();
        openWaitedOut_ = false;
    }
    if (!openWaitedOut_) {
        std::unique_lock lock(opening_->mutex);
        const auto limit = openedBefore_ ? kOpenMs : kFirstOpenMs;
        openWaitedOut_ = !opening_->ended.wait_for(lock, limit, [this] { return opening_->done; });
    }
    if (openWaitedOut_) {
        const std::lock_guard lock(opening_->mutex);
        if (!opening_->done) {
            return false;
        }
    }
    openedBefore_ = true;
    jack_client_t* client = takeOpened();
    if (client == nullptr)
        return false;
    serverGone_.store(false);
    stalledAt_ = UINT64_MAX;
    client_.store(client);
    ++session_;
    return true;
}

std::shared_ptr<JackMidiCore::PendingOpen> JackMidiCore::startOpen() {
    auto pending = std::make_shared<PendingOpen>();
    server_->post([self = shared_from_this(), pending, name = clientName_] {
        jack_status_t status{};
        jack_client_t* client = jack_client_open(name.c_str(), JackNoStartServer, &status);
        if (client != nullptr)
            self->installCallbacks(client);
        std::unique_lock lock(pending->mutex);
        if (pending->dropped) {
            lock.unlock();
            if (client != nullptr)
                jack_client_close(client);
            return;
        }
        pending->client = client;
        pending->done = true;
        pending->ended.notify_all();
    });
    return pending;
}

// The client of an open that has ended, handed over once; nullptr while none.
jack_client_t* JackMidiCore::takeOpened() {
    if (!opening_)
        return nullptr;
    jack_client_t* client = nullptr;
    {
        const std::lock_guard lock(opening_->mutex);
        if (!opening_->done)
            return nullptr;
        client = opening_->client;
    }
    opening_.reset();
    return client;
}

// Only a client that opens ports takes part in the server's cycles; one that lists them costs
// the server nothing and is closed without waiting for a cycle.
bool JackMidiCore::activate() {
    if (active_)
        return true;
    jack_client_t* client = client_.load();
    std::optional<int> result;
    if (client != nullptr)
        result = server_->run<int>(
            [self = shared_from_this(), client] {
                return self->current(client) ? jack_activate(client) : -1;
            },
            kStalledMs);
    if (!result || *result != 0) {
        disconnect();
        return false;
    }
    active_ = true;
    stalledAt_ = UINT64_MAX;
    return true;
}

void JackMidiCore::disconnect() {
    jack_client_t* client = nullptr;
    {
        const std::lock_guard lock(clientMutex_);
        client = client_.exchange(nullptr);
    }
    if (client != nullptr)
        closeClient(client);
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

// Closes the client on the server thread (its ports go with it), waiting at most kCloseMs: a
// server that hangs keeps the close, and the client, to the process's end. Nothing of the
// client's calls this object afterwards but the process cycle, which a hung server does not
// run, and the close holds this object meanwhile.
void JackMidiCore::closeClient(jack_client_t* client) {
    const auto closed = server_->run<int>(
        [self = shared_from_this(), client] { return jack_client_close(client); }, kCloseMs);
    closeHung_ = !closed;
}

// Ports closed at least one whole process cycle ago are no longer touched by it.
void JackMidiCore::reclaimReleased() {
    for (Slot& slot : slots_) {
        if (slot.state == SlotState::Releasing && cyclesDone_.load() > slot.releasedAt)
            unregisterPort(slot);
    }
}

JackMidiCore::Slot* JackMidiCore::freeSlot() {
    for (Slot& slot : slots_) {
        if (slot.state == SlotState::Free && slot.registered.load() == nullptr)
            return &slot;
    }
    return nullptr;
}

JackMidiCore::Slot* JackMidiCore::spareSlot() {
    for (Slot& slot : slots_) {
        if (slot.state == SlotState::Spare && slot.registered.load() != nullptr)
            return &slot;
    }
    return nullptr;
}

// The port prepare() connected to `port`, while that connection holds. A spare for another
// device, or one that lost its connection, goes.
JackMidiCore::Slot* JackMidiCore::preparedSlot(const MidiSystem::Port& port) {
    Slot* spare = spareSlot();
    if (spare == nullptr || (spare->preparedFor == port.key && !spare->lost.load()))
        return spare;
    unregisterPort(*spare);
    return nullptr;
}

// A new port of ours, registered and connected to `target` (named `key`).
MidiResult JackMidiCore::connectNewSlot(jack_port_t* target, const std::string& key, Slot*& slot) {
    slot = freeSlot();
    if (slot == nullptr)
        return MidiError::NoMemory;
    if (MidiResult result = registerPort(*slot, "out_" + std::to_string(++portCounter_)))
        return result;
    slot->target.store(target);
    if (MidiResult result = connectPorts(slot->registered.load(), key)) {
        unregisterPort(*slot);
        return result;
    }
    return MidiError::NoError;
}

MidiResult JackMidiCore::registerPort(Slot& slot, const std::string& name) {
    if (!slot.queue)
        slot.queue = std::make_unique<JackMidiQueue>(kQueueBytes);
    jack_client_t* client = client_.load();
    const auto port = server_->run<jack_port_t*>(
        [self = shared_from_this(), client, name] {
            return self->current(client)
                       ? jack_port_register(client, name.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                            JackPortIsOutput, 0)
                       : nullptr;
        },
        kStalledMs,
        [self = shared_from_this(), client](jack_port_t* late) {
            if (late != nullptr && self->current(client))
                jack_port_unregister(client, late);
        });
    if (!port)
        return MidiError::NotReady;
    if (*port == nullptr)
        return MidiError::NoMemory;
    slot.lost.store(false);
    slot.registered.store(*port);
    return MidiError::NoError;
}

void JackMidiCore::unregisterPort(Slot& slot) {
    slot.target.store(nullptr);
    jack_port_t* port = slot.registered.exchange(nullptr);
    if (jack_client_t* client = client_.load(); port != nullptr && client != nullptr)
        server_->post([self = shared_from_this(), client, port] {
            if (self->current(client))
                jack_port_unregister(client, port);
        });
    slot.queue->clear();
    slot.state = SlotState::Free;
    slot.own = false;
}

MidiResult JackMidiCore::connectPorts(jack_port_t* from, const std::string& to) {
    jack_client_t* client = client_.load();
    const auto result = server_->run<int>(
        [self = shared_from_this(), client, from, to] {
            return self->current(client) ? jack_connect(client, jack_port_name(from), to.c_str())
                                         : -1;
        },
        kStalledMs);
    if (!result)
        return MidiError::NotReady;
    return *result == 0 || *result == EEXIST ? MidiError::NoError : MidiError::NoDevice;
}

int JackMidiCore::publish(std::size_t slot, int connectedCycles) {
    slots_[slot].state = SlotState::Open;
    slots_[slot].connectedCycles.store(connectedCycles);
    slots_[slot].live.store(slots_[slot].registered.load());
    return opened_.add(Opened{slot, session_});
}

// The slot of an open port whose server is still there, else nullptr.
JackMidiCore::Slot* JackMidiCore::liveSlot(const Opened& opened) {
    if (opened.session != session_ || serverGone_.load())
        return nullptr;
    return &slots_[opened.slot];
}

} // namespace vireo
