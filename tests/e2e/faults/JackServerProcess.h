#pragma once

#include <QProcess>
#include <chrono>
#include <memory>
#include <string>

namespace vireo::test {

// A private JACK server on the dummy driver that a test can kill and start again under the
// same name, as a user's server that crashed and came back. Clients of this process reach it
// through JACK_DEFAULT_SERVER, which it sets for its whole life.
class JackServerProcess {
public:
    JackServerProcess();
    // Ends the server (end()) and forgets its name.
    ~JackServerProcess();
    JackServerProcess(const JackServerProcess&) = delete;
    JackServerProcess& operator=(const JackServerProcess&) = delete;

    // Starts the server and waits, within a bound, until it takes clients; false with
    // error() set when it does not.
    bool start();
    // Ends the server at once (SIGKILL), as a crash would.
    void kill();
    // Ends the server in good order, by its process id, and frees its name in JACK's registry
    // of servers. A server ends at once while its clients are alive, but may take seconds
    // after one has just died: end it before its clients.
    void end();
    bool running() const { return process_ != nullptr; }
    const std::string& name() const { return name_; }
    const std::string& error() const { return error_; }

private:
    static bool stop(QProcess& process);
    void removeLeftovers() const;

    std::string name_;
    std::unique_ptr<QProcess> process_;
    bool killed_ = false;
    std::string error_;
};

// Whether a port of that full name shows on the server within `limit`.
bool WaitForPort(const std::string& name, std::chrono::milliseconds limit);

} // namespace vireo::test
