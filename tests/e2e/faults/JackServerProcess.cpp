#include "JackServerProcess.h"

#include "JackTestProcesses.h"

#include <QDir>
#include <atomic>
#include <cstdlib>
#include <jack/jack.h>
#include <unistd.h>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

std::string UniqueServerName() {
    static std::atomic<int> counter{0};
    return "vireo-faults-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

// Whether the server takes clients, asked by jack_lsp: libjack of this process may be closing
// the client of a killed server, and crashes when another client opens meanwhile.
bool Answers() {
    QProcess lsp;
    lsp.setStandardOutputFile(QProcess::nullDevice());
    lsp.setStandardErrorFile(QProcess::nullDevice());
    lsp.start("jack_lsp");
    return lsp.waitForFinished(10000) && lsp.exitStatus() == QProcess::NormalExit &&
           lsp.exitCode() == 0;
}

} // namespace

JackServerProcess::JackServerProcess()
    : name_(UniqueServerName()) {
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
}

JackServerProcess::~JackServerProcess() {
    end();
    unsetenv("JACK_DEFAULT_SERVER");
    unsetenv("JACK_NO_START_SERVER");
}

void JackServerProcess::end() {
    const bool orderly = process_ != nullptr ? stop(*process_) : !killed_;
    process_.reset();
    // A killed server keeps its slot in JACK's registry (eight at most) until a server of
    // the same name starts: start one and end it in good order.
    if (!orderly && start())
        stop(*process_);
    process_.reset();
    killed_ = false;
    removeLeftovers();
}

bool JackServerProcess::start() {
    if (process_ != nullptr)
        return true;
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("JACK_NO_START_SERVER", "1");
    process->setProcessEnvironment(environment);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // Synchronous mode and long periods: a client that starts a cycle late still finishes it.
    process->start("jackd", {"-n", QString::fromStdString(name_), "-p", "128", "-S", "-d", "dummy",
                             "-r", "48000", "-p", "1024"});
    if (!process->waitForStarted(10000)) {
        error_ = "jackd did not start: " + process->errorString().toStdString();
        return false;
    }
    const bool answers =
        WaitUntil([&] { return process->state() == QProcess::Running && Answers(); }, 20s);
    if (!answers) {
        error_ = "jackd " + name_ + " did not take clients within 20 s";
        stop(*process);
        return false;
    }
    process_ = std::move(process);
    return true;
}

void JackServerProcess::kill() {
    if (process_ == nullptr)
        return;
    process_->kill();
    process_->waitForFinished(10000);
    process_.reset();
    killed_ = true;
}

// Whether the server ended in good order.
bool JackServerProcess::stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return true;
    process.terminate();
    if (process.waitForFinished(10000))
        return true;
    process.kill();
    process.waitForFinished(10000);
    return false;
}

// What clients that died with the server, and a killed server, leave in /dev/shm carries the
// server's unique name.
void JackServerProcess::removeLeftovers() const {
    QDir shm("/dev/shm");
    const QString name = QString::fromStdString(name_);
    const QStringList patterns{"jack_" + name + "_*", "jack_sem.*_" + name + "_*"};
    for (const QString& file : shm.entryList(patterns, QDir::Files | QDir::System))
        shm.remove(file);
}

bool WaitForPort(const std::string& name, std::chrono::milliseconds limit) {
    jack_status_t status{};
    jack_client_t* client = jack_client_open("vireo-faults-probe", JackNoStartServer, &status);
    if (client == nullptr)
        return false;
    const bool found =
        WaitUntil([&] { return jack_port_by_name(client, name.c_str()) != nullptr; }, limit);
    jack_client_close(client);
    return found;
}

} // namespace vireo::test
