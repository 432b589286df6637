#include "JackTestProcesses.h"

#include "platform/MixerDevices.h"

#include <QDir>
#include <QStandardPaths>
#include <atomic>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

std::string UniqueServerName() {
    static std::atomic<int> counter{0};
    return "vireo-e2e-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

QProcessEnvironment JackEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("JACK_NO_START_SERVER", "1");
    return environment;
}

bool IsHexByte(const std::string& token) {
    return token.size() == 2 && std::isxdigit(static_cast<unsigned char>(token[0])) &&
           std::isxdigit(static_cast<unsigned char>(token[1]));
}

} // namespace

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

bool ConnectPorts(const std::string& from, const std::string& to, std::chrono::milliseconds limit) {
    const QStringList ports{QString::fromStdString(from), QString::fromStdString(to)};
    return WaitUntil(
        [&] {
            QProcess connect;
            connect.setStandardOutputFile(QProcess::nullDevice());
            connect.setStandardErrorFile(QProcess::nullDevice());
            connect.start(QStringLiteral("jack_connect"), ports);
            return connect.waitForFinished(5000) && connect.exitStatus() == QProcess::NormalExit &&
                   connect.exitCode() == 0;
        },
        limit);
}

std::vector<std::string> PortConnections(const std::string& port) {
    QProcess lsp;
    lsp.setProcessEnvironment(JackEnvironment());
    lsp.setStandardErrorFile(QProcess::nullDevice());
    lsp.start(QStringLiteral("jack_lsp"), {QStringLiteral("-c")});
    if (!lsp.waitForFinished(10000) || lsp.exitStatus() != QProcess::NormalExit ||
        lsp.exitCode() != 0)
        return {};
    // Each port on a line of its own, followed by its connections indented.
    std::vector<std::string> connections;
    bool inPort = false;
    std::istringstream lines(lsp.readAllStandardOutput().toStdString());
    for (std::string line; std::getline(lines, line);) {
        const bool indented = !line.empty() && std::isspace(static_cast<unsigned char>(line[0]));
        if (!indented)
            inPort = line == port;
        else if (inPort)
            connections.push_back(line.substr(line.find_first_not_of(" \t")));
    }
    return connections;
}

bool PrivateJackServer::Installed() {
    return !QStandardPaths::findExecutable("jackd").isEmpty() &&
           !QStandardPaths::findExecutable("jack_midi_dump").isEmpty();
}

PrivateJackServer::PrivateJackServer()
    : name_(UniqueServerName()) {
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    process_ = start(startError_);
    running_ = process_ != nullptr;
}

PrivateJackServer::~PrivateJackServer() {
    resume();
    if (process_ != nullptr)
        stop(*process_);
    if (killed_ || wasPaused_) // a server stopped and let go on may leave its name taken
        reclaimName();
    removeLeftovers();
    unsetenv("JACK_DEFAULT_SERVER");
    unsetenv("JACK_NO_START_SERVER");
}

void PrivateJackServer::kill() {
    process_->kill();
    process_->waitForFinished(10000);
    process_.reset();
    running_ = false;
    killed_ = true;
}

void PrivateJackServer::pause() {
    if (process_ != nullptr && !paused_)
        paused_ = ::kill(static_cast<pid_t>(process_->processId()), SIGSTOP) == 0;
    wasPaused_ = wasPaused_ || paused_;
}

void PrivateJackServer::resume() {
    if (process_ != nullptr && paused_)
        ::kill(static_cast<pid_t>(process_->processId()), SIGCONT);
    paused_ = false;
}

// JACK keeps a killed server in its registry of (at most eight) servers until one of the same
// name starts: start one and end it in good order, or the machine runs out of servers.
void PrivateJackServer::reclaimName() const {
    std::string ignored;
    if (auto successor = start(ignored))
        stop(*successor);
}

// Starts a server under this name and waits until it takes clients; nullptr if it does not.
std::unique_ptr<QProcess> PrivateJackServer::start(std::string& error) const {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(JackEnvironment());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // Synchronous mode and a period of 21 ms: on a busy machine a client that starts a cycle
    // late still finishes it, so nothing is lost to the load.
    process->start("jackd", {"-n", QString::fromStdString(name_), "-p", "128", "-S", "-d", "dummy",
                             "-r", "48000", "-p", "1024"});
    if (!process->waitForStarted(10000)) {
        error = "jackd did not start: " + process->errorString().toStdString();
        return nullptr;
    }
    const bool answers = WaitUntil(
        [&] { return process->state() == QProcess::Running && JackServerAnswers(); }, 20s);
    if (answers)
        return process;
    error = "jackd " + name_ + " did not take clients within 20 s";
    stop(*process);
    return nullptr;
}

void PrivateJackServer::stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
}

// Clients that died with or after the server leave their semaphores behind, a killed server
// its socket too; they carry the server's unique name.
void PrivateJackServer::removeLeftovers() const {
    QDir shm("/dev/shm");
    const QString name = QString::fromStdString(name_);
    const QStringList patterns{"jack_" + name + "_*", "jack_sem.*_" + name + "_*"};
    for (const QString& file : shm.entryList(patterns, QDir::Files | QDir::System))
        shm.remove(file);
}

MidiDump::MidiDump(std::string clientName)
    : clientName_(std::move(clientName))
    , process_(std::make_unique<QProcess>()) {
    process_->setProcessEnvironment(JackEnvironment());
    process_->setStandardErrorFile(QProcess::nullDevice());
    process_->start("jack_midi_dump", {QString::fromStdString(clientName_)});
    started_ = process_->waitForStarted(10000);
}

MidiDump::~MidiDump() {
    if (process_->state() != QProcess::NotRunning)
        kill();
}

const std::vector<MidiDump::Message>& MidiDump::messages() {
    readOutput();
    return messages_;
}

bool MidiDump::waitForMessages(std::size_t count, std::chrono::milliseconds limit) {
    return WaitUntil([&] { return messages().size() >= count; }, limit);
}

void MidiDump::kill() {
    process_->kill();
    process_->waitForFinished(10000);
}

void MidiDump::readOutput() {
    process_->waitForReadyRead(0);
    pending_ += process_->readAllStandardOutput().toStdString();
    std::size_t end = 0;
    while ((end = pending_.find('\n')) != std::string::npos) {
        Message message;
        if (ParseDumpLine(pending_.substr(0, end), message))
            messages_.push_back(std::move(message));
        pending_.erase(0, end + 1);
    }
}

bool ParseDumpLine(const std::string& line, MidiDump::Message& message) {
    std::istringstream words(line);
    std::string stamp;
    if (!(words >> stamp) || stamp.size() < 2 || stamp.back() != ':')
        return false;
    for (std::size_t i = 0; i + 1 < stamp.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(stamp[i])) && stamp[i] != '-')
            return false;
    }
    message.clear();
    for (std::string token; words >> token && IsHexByte(token);)
        message.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    return !message.empty();
}

} // namespace vireo::test
