#pragma once

#include "XgMessages.h"

#include <QProcess>
#include <QString>
#include <chrono>
#include <memory>
#include <string>

namespace vireo::test {

// aseqdump's lines read back into the bytes each event stands for, in order: control changes
// and system-exclusive messages (the only kinds the mixer sends). The sequencer's own notices
// (from its announcement port 0:1) and the banner are left out; any other event gives an empty
// message, so that a comparison shows it.
xg::Messages ParseSequencerDump(const std::string& text);

// aseqdump as the receiving port "aseqdump:aseqdump", ended by its process id.
class SequencerDump {
public:
    SequencerDump();
    ~SequencerDump();
    SequencerDump(const SequencerDump&) = delete;
    SequencerDump& operator=(const SequencerDump&) = delete;

    bool started() const { return started_; }
    // The sequencer address of its port, "client:0", once the sequencer lists it.
    QString address(std::chrono::milliseconds limit);
    xg::Messages messages();
    // Whether at least `count` messages arrived within `limit`.
    bool waitForMessages(std::size_t count, std::chrono::milliseconds limit);
    // Stops reading (SIGSTOP) and reads again (SIGCONT).
    void pause();
    void resume();
    // Ends it at once (SIGKILL), as a receiver that crashes or is unplugged.
    void kill();

private:
    std::unique_ptr<QProcess> process_;
    std::string text_;
    bool started_ = false;
    bool paused_ = false;
};

// A byte stream as amidi -d prints it (hexadecimal bytes) cut into messages: a status byte
// starts one, a system-exclusive message runs to its F7.
xg::Messages ParseRawMidiDump(const std::string& text);

// amidi -d on a raw MIDI device ("hw:card,0"): what a USB MIDI device received.
class RawMidiDump {
public:
    explicit RawMidiDump(const QString& device);
    ~RawMidiDump();
    RawMidiDump(const RawMidiDump&) = delete;
    RawMidiDump& operator=(const RawMidiDump&) = delete;

    bool started() const { return started_; }
    xg::Messages messages();
    bool waitForMessages(std::size_t count, std::chrono::milliseconds limit);

private:
    std::unique_ptr<QProcess> process_;
    std::string text_;
    bool started_ = false;
};

// Runs aconnect with these arguments; true when it succeeds.
bool Aconnect(const QStringList& arguments);
// The sequencer's listing of clients, ports and connections (aconnect -l).
std::string SequencerListing();
// Whether some client's port of that name is listed within `limit`.
bool WaitForSequencerPort(const QString& client, std::chrono::milliseconds limit);

} // namespace vireo::test
