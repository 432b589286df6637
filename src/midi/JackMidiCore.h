#pragma once

#include "midi/JackMidiQueue.h"
#include "midi/JackServerThread.h"
#include "midi/MidiSystemParts.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <jack/types.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vireo {

// What JackMidiSystem does, kept in one object that the JACK client's callbacks and the
// server thread's calls share: a client whose server hangs cannot be closed, and is left to
// the process's end with this object, instead of holding the window thread. Every call to the
// server runs on the server thread; the caller waits for it within a bound. See
// JackMidiSystem for the rules.
class JackMidiCore : public std::enable_shared_from_this<JackMidiCore> {
public:
    static constexpr std::size_t kMaxPorts = 16;
    static constexpr std::size_t kQueueBytes = 16 * 1024;
    static constexpr int kSettleCycles = 2;
    static constexpr std::chrono::milliseconds kDrainMs{200};
    static constexpr std::chrono::milliseconds kStalledMs{600};
    static constexpr std::chrono::milliseconds kReporterEndMs{1000};
    static constexpr std::chrono::milliseconds kFirstOpenMs{5000};
    static constexpr std::chrono::milliseconds kOpenMs{500};
    static constexpr std::chrono::milliseconds kCloseMs{100};

    explicit JackMidiCore(std::string clientName);
    ~JackMidiCore();
    JackMidiCore(const JackMidiCore&) = delete;
    JackMidiCore& operator=(const JackMidiCore&) = delete;

    bool answers() { return connect(); }
    std::vector<MidiSystem::Port> outputPorts();
    MidiResult openPort(const MidiSystem::Port& port, int& id);
    MidiResult openOwnPort(int& id);
    MidiResult send(int id, std::span<const std::uint8_t> message);
    MidiResult reset(int id);
    MidiResult close(int id);
    bool lost(int id);
    std::vector<std::string> ownPortConnections();
    MidiResult connectOwnPort(const std::string& name);
    void setChangeListener(MidiSystem::ChangeListener listener);
    void releaseUnused();
    void prepare(const MidiSystem::Port& port);
    // Lets go of the client at the system's end, waiting for its close at most kCloseMs.
    void end();
    void finishCalls();

private:
    // Closed: the own port only. Spare: registered and connected by prepare(), not open yet.
    enum class SlotState { Free, Open, Closed, Releasing, Spare };

    // One output port of ours. The process cycle reads `live` and the queue; the
    // notification thread reads `registered` and `target` and sets `lost`.
    struct Slot {
        std::atomic<jack_port_t*> live{nullptr};
        std::atomic<jack_port_t*> registered{nullptr};
        std::atomic<jack_port_t*> target{nullptr};
        std::atomic<bool> lost{false};
        std::atomic<int> connectedCycles{0};     // written by the process cycle once published
        std::atomic<std::uint64_t> holdUntil{0}; // no messages go out before this cycle
        std::unique_ptr<JackMidiQueue> queue;    // kept for the life of the system once made
        // Window thread only.
        SlotState state = SlotState::Free;
        bool own = false;
        std::string preparedFor;       // a spare's device
        std::uint64_t connectedAt = 0; // the cycle count when a spare was connected
        std::uint64_t releasedAt = 0;
    };
    struct Opened {
        std::size_t slot;
        std::uint64_t session;
    };
    // The client open on the server thread; at most one at a time.
    struct PendingOpen {
        std::mutex mutex;
        std::condition_variable ended;
        bool done = false;
        bool dropped = false; // nobody takes the client any more: the open closes it
        jack_client_t* client = nullptr;
    };

    static int Process(jack_nframes_t frames, void* self);
    static void ShutDown(jack_status_t code, const char* reason, void* self);
    static void PortConnect(jack_port_id_t a, jack_port_id_t b, int connect, void* self);
    static void PortRegistered(jack_port_id_t port, int registered, void* self);
    static int GraphOrder(void* self);
    // Whether `client` is still the one in use. A call posted for a client must not touch it
    // once it was closed (a dead server's client is closed out of turn); calls run on the
    // server thread, as closes do, so the answer holds for the whole call.
    bool current(jack_client_t* client) const { return client_.load() == client; }
    void installCallbacks(jack_client_t* client);
    void processCycle(jack_nframes_t frames);
    bool settled(Slot& slot, jack_port_t* port);
    void connectionChanged(jack_port_id_t a, jack_port_id_t b);

    bool connect();
    std::shared_ptr<PendingOpen> startOpen();
    jack_client_t* takeOpened();
    bool activate();
    void disconnect();
    void closeClient(jack_client_t* client);
    void closeDeadClient();
    bool inUse() const;
    void releaseSlot(Slot* slot);
    void reclaimReleased();
    Slot* freeSlot();
    Slot* spareSlot();
    Slot* preparedSlot(const MidiSystem::Port& port);
    MidiResult connectNewSlot(jack_port_t* target, const std::string& key, Slot*& slot);
    MidiResult registerPort(Slot& slot, const std::string& name);
    void unregisterPort(Slot& slot);
    MidiResult connectPorts(jack_port_t* from, const std::string& to);
    int publish(std::size_t slot, int connectedCycles = 0);
    Slot* liveSlot(const Opened& opened);
    Slot* ownSlot();
    template <typename Done> bool waitForCycles(Done done, std::chrono::milliseconds limit);
    bool drained(Slot& slot);
    bool serverStalled();
    std::vector<MidiSystem::Port> listPorts(jack_client_t* client) const;

    std::string clientName_;
    std::shared_ptr<JackServerThread> server_ = std::make_shared<JackServerThread>();
    std::atomic<jack_client_t*> client_{nullptr}; // read by the notification thread too
    std::atomic<bool> serverGone_{false};
    // Held while the client is used off the server thread (listing), and while it is taken
    // away for its close, so that no listing uses a client being closed.
    std::mutex clientMutex_;
    // Window thread only.
    std::shared_ptr<PendingOpen> opening_;
    bool openWaitedOut_ = false; // a caller gave up on opening_: the next do not wait for it
    bool openedBefore_ = false;
    bool active_ = false;
    bool closeHung_ = false;               // the last close of a client did not end in time
    std::uint64_t stalledAt_ = UINT64_MAX; // the cycle count when the server was seen stalled
    // The process cycle counts its cycles and wakes those waiting for one.
    std::atomic<std::uint64_t> cyclesDone_{0};
    std::mutex cycleMutex_;
    std::condition_variable cycleTicked_;
    std::atomic<int> cycleWaiters_{0};
    ChangeNotifier notifier_;
    std::atomic<std::size_t> maxEventSize_{0};
    std::array<Slot, kMaxPorts> slots_;
    std::uint64_t session_ = 0;
    IdTable<Opened> opened_;
    unsigned portCounter_ = 0;
};

} // namespace vireo
