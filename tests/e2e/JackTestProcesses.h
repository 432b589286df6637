#pragma once

#include <QProcess>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vireo::test {

// Asks `done` again and again until it says yes or `limit` has passed.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

// Connects two ports of the private server with jack_connect, again and again until it
// succeeds or `limit` has passed (a port may not be registered yet).
bool ConnectPorts(const std::string& from, const std::string& to, std::chrono::milliseconds limit);

// The full names of the ports that `port` is connected to now, as jack_lsp -c lists them;
// nothing when jack_lsp fails.
std::vector<std::string> PortConnections(const std::string& port);

// A private JACK server on the dummy driver for one test, under a name no other test uses.
// JACK clients of this process reach it through JACK_DEFAULT_SERVER while it lives.
class PrivateJackServer {
public:
    // Whether jackd and jack_midi_dump can be run at all.
    static bool Installed();

    // Starts the server and waits, within a bound, until it takes clients.
    PrivateJackServer();
    // Ends the server, by its process id.
    ~PrivateJackServer();
    PrivateJackServer(const PrivateJackServer&) = delete;
    PrivateJackServer& operator=(const PrivateJackServer&) = delete;

    bool running() const { return running_; }
    const std::string& name() const { return name_; }
    // Why the server did not come up.
    const std::string& startError() const { return startError_; }
    // Ends the server at once, as a crash would, and tidies what it leaves behind.
    void kill();
    // Stops the server's process (SIGSTOP), as a hung server, and lets it go on (SIGCONT).
    void pause();
    void resume();

private:
    std::unique_ptr<QProcess> start(std::string& error) const;
    static void stop(QProcess& process);
    void reclaimName() const;
    void removeLeftovers() const;

    std::string name_;
    std::unique_ptr<QProcess> process_;
    bool running_ = false;
    bool killed_ = false;
    bool paused_ = false;
    bool wasPaused_ = false;
    std::string startError_;
};

// jack_midi_dump on the private server, keeping what its input port receives.
class MidiDump {
public:
    using Message = std::vector<std::uint8_t>;

    explicit MidiDump(std::string clientName = "vireo-dump");
    ~MidiDump();
    MidiDump(const MidiDump&) = delete;
    MidiDump& operator=(const MidiDump&) = delete;

    bool started() const { return started_; }
    // Its input port's full name.
    std::string port() const { return clientName_ + ":input"; }
    // The messages received so far, in order.
    const std::vector<Message>& messages();
    bool waitForMessages(std::size_t count, std::chrono::milliseconds limit);
    // Ends the dump at once, by its process id, as if its device were unplugged.
    void kill();

private:
    void readOutput();

    std::string clientName_;
    std::unique_ptr<QProcess> process_;
    bool started_ = false;
    std::string pending_;
    std::vector<Message> messages_;
};

// Parses one line of jack_midi_dump's output ("   0: b0 07 64 control change ...") into the
// message's bytes; false for any other line.
bool ParseDumpLine(const std::string& line, MidiDump::Message& message);

} // namespace vireo::test
