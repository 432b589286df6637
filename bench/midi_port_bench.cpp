// Cost of the port's own work per message, on top of the service call: against the simulated
// service, and through the JACK service into a private server (its queue, not the wire).
#include "midi/JackMidiSystem.h"
#include "midi/SimulatedMidiService.h"
#include "midi/SystemMidiService.h"
#include "midi/TMidiOutput.h"
#include "mixer/MessageSet.h"
#include "platform/MixerDevices.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using vireo::EmidioutputError;
using vireo::SimulatedMidiService;
using vireo::TMidiOutput;

void BM_PutShort_Simulated(benchmark::State& state) {
    SimulatedMidiService service{{"Synth"}};
    service.setRecording(false);
    TMidiOutput port{service};
    port.Open();
    for (auto _ : state)
        port.PutShort(0xB0, 0x07, 0x64);
}
BENCHMARK(BM_PutShort_Simulated);

void BM_PutLong_Simulated(benchmark::State& state) {
    SimulatedMidiService service{{"Synth"}};
    service.setRecording(false);
    TMidiOutput port{service};
    port.Open();
    const auto message = vireo::synth::GSReset;
    for (auto _ : state)
        port.PutLong(message);
}
BENCHMARK(BM_PutLong_Simulated);

// A private JACK server on the dummy driver for the JACK cases, started when first needed and
// ended (by its process id) when the program ends.
class BenchJackServer {
public:
    static BenchJackServer& Instance() {
        static BenchJackServer server;
        return server;
    }

    bool running() const { return running_; }

private:
    BenchJackServer() {
        const std::string name = "vireo-bench-" + std::to_string(getpid());
        setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        const char* argv[] = {"jackd", "-n", name.c_str(), "-p", "128", "-d",
                              "dummy", "-r", "48000",      "-p", "256", nullptr};
        const int spawned =
            posix_spawnp(&pid_, "jackd", &quiet, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (spawned != 0) {
            pid_ = -1;
            return;
        }
        for (int waited = 0; waited < 1000 && !running_ && alive(); ++waited) {
            running_ = vireo::JackServerAnswers();
            std::this_thread::sleep_for(10ms);
        }
    }

    ~BenchJackServer() {
        if (pid_ <= 0 || !alive())
            return;
        kill(pid_, SIGTERM); // in good order, so that it leaves JACK's server registry
        for (int waited = 0; waited < 1000 && alive(); ++waited)
            std::this_thread::sleep_for(10ms);
        if (alive()) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    bool alive() { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

    pid_t pid_ = -1;
    bool running_ = false;
};

// Sends through the JACK service's own port (the mapper), which nothing drains but the process
// cycle. When a burst fills the queue, the cycle empties it off the clock.
template <typename Send> void RunThroughJack(benchmark::State& state, Send send) {
    if (!BenchJackServer::Instance().running()) {
        state.SkipWithError("jackd is missing or did not start: no JACK cases");
        return;
    }
    std::vector<std::unique_ptr<vireo::MidiSystem>> systems;
    systems.push_back(std::make_unique<vireo::JackMidiSystem>());
    vireo::SystemMidiService service(std::move(systems));
    TMidiOutput port{service};
    port.SetDeviceID(vireo::MidiOutService::kMapper);
    port.Open();
    if (port.LastError() != 0) {
        state.SkipWithError("the JACK service did not open its own port");
        return;
    }
    for (auto _ : state) {
        try {
            send(port);
        } catch (const EmidioutputError&) {
            state.PauseTiming();
            std::this_thread::sleep_for(10ms); // two cycles of 256 frames
            state.ResumeTiming();
        }
    }
    port.Close();
}

void BM_PutShort_Jack(benchmark::State& state) {
    RunThroughJack(state, [](TMidiOutput& port) { port.PutShort(0xB0, 0x07, 0x64); });
}
// A fixed count: the queue holds a few thousand messages and drains once a cycle.
BENCHMARK(BM_PutShort_Jack)->Iterations(200000);

void BM_PutLong_Jack(benchmark::State& state) {
    const auto message = vireo::synth::GSReset;
    RunThroughJack(state, [&](TMidiOutput& port) { port.PutLong(message); });
}
BENCHMARK(BM_PutLong_Jack)->Iterations(200000);

} // namespace

BENCHMARK_MAIN();
