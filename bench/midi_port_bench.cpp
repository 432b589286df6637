// Cost of the port's own work per message, on top of the service call.
#include "midi/SimulatedMidiService.h"
#include "midi/TMidiOutput.h"
#include "mixer/MessageSet.h"

#include <benchmark/benchmark.h>

namespace {

using vireo::SimulatedMidiService;
using vireo::TMidiOutput;

void BM_PutShort_Simulated(benchmark::State& state)
{
    SimulatedMidiService service{{"Synth"}};
    service.setRecording(false);
    TMidiOutput port{service};
    port.Open();
    for (auto _ : state)
        port.PutShort(0xB0, 0x07, 0x64);
}
BENCHMARK(BM_PutShort_Simulated);

void BM_PutLong_Simulated(benchmark::State& state)
{
    SimulatedMidiService service{{"Synth"}};
    service.setRecording(false);
    TMidiOutput port{service};
    port.Open();
    const auto message = vireo::synth::GSReset;
    for (auto _ : state)
        port.PutLong(message);
}
BENCHMARK(BM_PutLong_Simulated);

} // namespace

BENCHMARK_MAIN();
