#pragma once

// What every MIDI system needs alike: its change listener, its table of open ports, finding a
// port by its product name, cleaning listed names into product names, and keeping the
// libraries quiet.
#include "midi/MidiSystem.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vireo {

// A system's change listener. Set from any thread, called from the system's threads; a call
// holds the lock, so once set() returns the previous listener is not called any more.
class ChangeNotifier {
public:
    void set(MidiSystem::ChangeListener listener);
    void notify();

private:
    std::mutex mutex_;
    MidiSystem::ChangeListener listener_;
};

// The ports a system opened, by the ids it gave out (from 1 on).
template <typename Entry> class IdTable {
public:
    int add(Entry entry) {
        const int id = next_++;
        entries_.emplace(id, std::move(entry));
        return id;
    }
    Entry* find(int id) {
        const auto found = entries_.find(id);
        return found == entries_.end() ? nullptr : &found->second;
    }
    bool erase(int id) { return entries_.erase(id) != 0; }
    const std::map<int, Entry>& entries() const { return entries_; }

private:
    std::map<int, Entry> entries_;
    int next_ = 1;
};

// The port among `ports` whose product name is `name`, or nullopt.
std::optional<MidiSystem::Port> FindPortByName(const std::vector<MidiSystem::Port>& ports,
                                               const std::string& name);

// A listed port name as its product name: without the numbers that change from session to
// session, the sequencer's trailing " client:port" ("Client:Port 14:0") and the " [20]" client
// ids that ALSA-to-JACK bridges put into JACK names.
std::string CleanPortName(const std::string& name);

// The ALSA and JACK libraries report a missing system on standard error; here a missing
// system is no error. Once per process.
void SilenceMidiLibraries();

} // namespace vireo
