#pragma once

#include "midi/JackMidiQueue.h"
#include "midi/SystemMidiService.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <jack/types.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vireo {

// A JACK port's full name without the client ids that ALSA-to-JACK bridges put into it
// (" [20]"), which change from session to session.
std::string CleanJackPortName(const std::string& name);

// MIDI output through a JACK server, as a client of our own. A device is a MIDI input port of
// another client; opening it registers one output port of ours connected to it. Sends go into
// a lock-free queue that the process cycle drains, so they never wait: a full queue, a server
// that went away or a device whose connection was lost fails at once. Closing waits, briefly,
// until the process cycle has sent what was queued. The own port (the mapper) is registered
// once and keeps its connections through every close and open. A server that stopped
// answering (its process cycle no longer runs) makes open, close and connect fail within a
// second instead of waiting for it. The client is held only while a port of ours is
// registered: listing alone connects, and releaseUnused() lets go again. A server that does
// not let a new client in within kOpenMs does not answer.
class JackMidiSystem : public MidiSystem {
public:
    static constexpr std::size_t kMaxPorts = 16;
    static constexpr std::size_t kQueueBytes = 16 * 1024;
    // Cycles a new connection must have been seen in before messages go out on it.
    static constexpr int kSettleCycles = 2;
    // How long a close waits for the queue to drain.
    static constexpr int kDrainMs = 200;
    // A server whose process cycle has not run for this long does not answer.
    static constexpr int kStalledMs = 600;
    // How long the reaper of a dead client lets the thread that told of the death finish.
    static constexpr int kReporterEndMs = 1000;
    // A server that has not let a new client in for this long does not answer.
    static constexpr int kOpenMs = 5000;

    // The client and its own port (the mapper) take this name.
    explicit JackMidiSystem(std::string clientName = "Sonexa Vireo Mixer");
    ~JackMidiSystem() override;
    JackMidiSystem(const JackMidiSystem&) = delete;
    JackMidiSystem& operator=(const JackMidiSystem&) = delete;

    // Whether a JackMidiSystem of this process holds a client of a server that is still there:
    // the server answers, and asking it again would open another client for nothing.
    static bool AnyClientConnected();
    // Whether a JackMidiSystem of this process found its server answering the last time it
    // connected, and has not seen it go since: it may have let go of its client meanwhile.
    static bool AnyServerAnswered();

    bool answers() override;
    std::vector<Port> outputPorts() override;
    MidiResult openPort(const Port& port, int& id) override;
    MidiResult openOwnPort(int& id) override;
    MidiResult send(int id, std::span<const std::uint8_t> message) override;
    MidiResult reset(int id) override;
    MidiResult close(int id) override;
    bool lost(int id) override;
    std::vector<std::string> ownPortConnections() override;
    MidiResult connectOwnPort(const std::string& name) override;
    void setChangeListener(ChangeListener listener) override;
    void releaseUnused() override;

private:
    enum class SlotState { Free, Open, Closed, Releasing }; // Closed: the own port only

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
        std::uint64_t releasedAt = 0;
    };
    struct Opened {
        std::size_t slot;
        std::uint64_t session;
    };

    static int Process(jack_nframes_t frames, void* self);
    static void ShutDown(jack_status_t code, const char* reason, void* self);
    static void PortConnect(jack_port_id_t a, jack_port_id_t b, int connect, void* self);
    static void PortRegistered(jack_port_id_t port, int registered, void* self);
    static int GraphOrder(void* self);
    void notifyChange();
    void processCycle(jack_nframes_t frames);
    bool settled(Slot& slot, jack_port_t* port);
    void connectionChanged(jack_port_id_t a, jack_port_id_t b);

    bool connect();
    bool activate();
    void disconnect();
    void closeDeadClient();
    void setCounted(bool connected);
    void setAnswered(bool answered);
    bool inUse() const;
    void releaseSlot(Slot* slot);
    void reclaimReleased();
    Slot* freeSlot();
    MidiResult registerPort(Slot& slot, const std::string& name);
    void unregisterPort(Slot& slot);
    int publish(std::size_t slot);
    Slot* liveSlot(const Opened& opened);
    Slot* ownSlot();
    bool drained(Slot& slot);
    bool serverStalled();
    std::string findInputPort(jack_client_t* client, const std::string& name) const;

    std::string clientName_;
    std::atomic<jack_client_t*> client_{nullptr}; // read by the notification thread too
    std::atomic<bool> serverGone_{false};
    bool active_ = false; // window thread only
    // The window thread holds it while it uses the client; closeDeadClient's thread (reaper_)
    // holds it while it closes a client whose server died.
    std::mutex clientMutex_;
    std::thread reaper_;
    std::atomic<bool> reaping_{false};
    std::atomic<bool> counted_{false}; // among the connected clients
    static std::atomic<int> connectedClients_;
    std::atomic<bool> answered_{false}; // among the answered systems
    static std::atomic<int> answeredSystems_;
    std::atomic<std::uint64_t> cyclesDone_{0};
    std::mutex listenerMutex_; // held while the listener runs
    ChangeListener listener_;
    std::atomic<std::size_t> maxEventSize_{0};
    std::array<Slot, kMaxPorts> slots_;
    std::uint64_t session_ = 0;
    std::map<int, Opened> opened_;
    int nextId_ = 1;
    unsigned portCounter_ = 0;
};

} // namespace vireo
