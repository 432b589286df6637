#pragma once

#include "midi/AlsaStall.h"
#include "midi/MidiSystemParts.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

typedef struct _snd_seq snd_seq_t;
typedef struct snd_seq_event snd_seq_event_t;

namespace vireo {

// One MIDI message as the sequencer's events: a system-exclusive message (F0 first) whole as
// one event, anything else through the sequencer's byte parser. Each event's variable part
// points into `bytes`. Empty when no complete event could be made.
std::vector<snd_seq_event_t> AlsaEvents(std::span<const std::uint8_t> bytes);

// The result code for a sequencer call's negative error number.
MidiResult AlsaResult(int error);

// MIDI output through the ALSA sequencer, on its own API. One sequencer client of ours holds
// the program's own port (created once and kept for the whole run) and one port per open
// device, subscribed to it. A thread of ours hears the sequencer's announcements, so that a
// device whose port or client goes away, or whose subscription is undone, is known at once:
// every later send to it fails with MidiError::NoDevice. The same thread tells the change
// listener of every connection made to or removed from the own port, and of ports that come
// and go. Sends go straight to the receivers and
// never wait; a receiver that stopped reading makes them fail with MidiError::NotReady.
class AlsaMidiSystem : public MidiSystem {
public:
    // The client and the program's own port take this name.
    explicit AlsaMidiSystem(std::string clientName = "Sonexa Vireo Mixer");
    ~AlsaMidiSystem() override;
    AlsaMidiSystem(const AlsaMidiSystem&) = delete;
    AlsaMidiSystem& operator=(const AlsaMidiSystem&) = delete;

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

private:
    static constexpr int kOwnPort = 0;
    static constexpr int kAnnouncementPort = 1;

    struct Address {
        int client = 0;
        int port = 0;
    };
    // An open device: our port subscribed to its port. `lost` is set by the watcher.
    struct Output {
        int port = 0;
        Address target;
        bool own = false;
        std::shared_ptr<std::atomic<bool>> lost = std::make_shared<std::atomic<bool>>(false);
    };

    struct Device {
        Port port;
        Address address;
    };

    std::vector<Device> devices() const;
    bool connect();
    void disconnect();
    void watch();
    bool readAnnouncements();
    bool handleAnnouncement(const snd_seq_event_t& event);
    void checkSubscriptions();
    bool subscribed(const Output& output) const;
    int freePortNumber() const;
    MidiResult createPort(int number, const std::string& name, unsigned capabilities);
    MidiResult ensureOwnPort();
    MidiResult stallCheck(const Output& output);
    std::vector<Address> receivers(const Output& output) const;
    int waitingCells(int client) const;
    void noteSent(const Output& output);
    std::string productName(const Address& address) const;

    std::string clientName_;
    // The watcher thread and the system's callers share the sequencer handle, which the
    // library does not guard: each holds this while it uses the handle or what follows.
    std::recursive_mutex seqMutex_;
    using Lock = std::lock_guard<std::recursive_mutex>;
    snd_seq_t* seq_ = nullptr;
    int clientId_ = -1;
    bool ownPortMade_ = false;
    int wakeFd_ = -1; // eventfd that stops the watcher
    std::thread watcher_;
    std::vector<Output> watched_; // the device outputs the watcher checks
    ChangeNotifier notifier_;
    IdTable<Output> opened_;
    std::map<int, AlsaStall> stalls_; // by receiving client
};

} // namespace vireo
