// Cost of the mixer's handlers, from a user notification to the last byte handed to the
// (simulated) service.
#include "midi/SimulatedMidiService.h"
#include "midi/TMidiOutput.h"
#include "mixer/MixerPanels.h"

#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>

namespace {

using vireo::MixerPanels;
using vireo::SimulatedMidiService;
using vireo::TMidiOutput;

struct Mixer {
    Mixer() {
        service.setRecording(false);
        port.Open();
    }

    SimulatedMidiService service{{"Synth"}};
    TMidiOutput port{service};
    QWidget window;
    MixerPanels panels{&window, port};
};

// One drag step on a MIDI panel slider: its field follows and sixteen control changes go out.
void BM_MidiSliderNotification(benchmark::State& state) {
    Mixer mixer;
    int position = 27;
    for (auto _ : state) {
        position = position == 27 ? 28 : 27;
        mixer.panels.MIDIReverbTrackBar->setSliderPosition(position);
    }
    state.counters["messages"] =
        benchmark::Counter(16.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MidiSliderNotification)->Unit(benchmark::kMicrosecond);

// The whole state, MIDI panel shown, every effect type chosen (a four-step preset).
void BM_SendCurrentSettings(benchmark::State& state) {
    Mixer mixer;
    mixer.panels.ReverbComboBox->SetItemIndex(4);
    mixer.panels.ChorusComboBox->SetItemIndex(1);
    mixer.panels.VariationComboBox->SetItemIndex(46); // Alien
    for (auto _ : state)
        mixer.panels.SendCurrentSettings();
}
BENCHMARK(BM_SendCurrentSettings)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
