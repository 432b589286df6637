// Cost of the mixer window's own work over the simulated service: a whole settings file load
// (read, initialisation, every control and its messages, caption), the refresh timer's tick,
// the creation of the window itself as a start pays it, and one preference read.
#include "icons/AppIcon.h"
#include "midi/SimulatedMidiService.h"
#include "mixer/MixerPanels.h"
#include "persistence/PreferencesStore.h"
#include "shell/TForm1.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace {

using vireo::PreferencesStore;
using vireo::SimulatedMidiService;
using vireo::TForm1;

constexpr const char* kTypicalFile =
    "[Mixer Settings]\r\n"
    "Volume Level=100\r\nMIDI Level=127\r\nMIDI Reverb Level=40\r\n"
    "MIDI Chorus Level=0\r\nA/D Part Level=127\r\n"
    "Reverb Level=64\r\nChorus Level=0\r\nVariation Level=0\r\n"
    "Dry Level=127\r\nReverb Effect=Hall1\r\n"
    "Chorus Effect=Chorus1\r\n"
    "Variation Effect=Delay L,C,R\r\nLock=0\r\n"
    "Periodic Refresh=0\r\n";

// HOME and the XDG folders in a private temporary folder, so that the window's preferences
// and hives never touch the user's own.
QTemporaryDir& PrivateHome() {
    static QTemporaryDir home(QDir::tempPath() + "/vireo-bench-XXXXXX");
    return home;
}

void UsePrivateFolders() {
    const QString root = PrivateHome().path();
    const char* const variables[][2] = {
        {"HOME", "home"},          {"XDG_CONFIG_HOME", "config"}, {"XDG_CONFIG_DIRS", "xdg"},
        {"XDG_DATA_HOME", "data"}, {"XDG_RUNTIME_DIR", "run"},
    };
    for (const auto& [variable, sub] : variables) {
        const QString folder = root + '/' + sub;
        QDir().mkpath(folder);
        setenv(variable, folder.toLocal8Bit().constData(), 1);
    }
    QFile::setPermissions(root + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString TypicalFilePath() {
    static const QString path = [] {
        const QString file = PrivateHome().path() + "/Typical.mix";
        std::ofstream(file.toStdString(), std::ios::binary) << kTypicalFile;
        return file;
    }();
    return path;
}

// The mixer window started on the typical file, over a simulated synthesizer.
struct Mixer {
    Mixer() {
        service.setRecording(false);
        form = std::make_unique<TForm1>(service, PreferencesStore::Shared(),
                                        TForm1::Options{{TypicalFilePath()}, false});
    }

    // The messages one call of `step` sends.
    template <typename Step> std::size_t MessagesOf(Step&& step) {
        service.clearCalls();
        service.setRecording(true);
        step();
        service.setRecording(false);
        const std::size_t count = service.sentMessages().size();
        service.clearCalls();
        return count;
    }

    SimulatedMidiService service{{"Synth"}};
    std::unique_ptr<TForm1> form;
};

void ReportMessages(benchmark::State& state, std::size_t perIteration) {
    state.counters["messages"] = double(perIteration);
}

// Open, Default, a drop: the file is read and the whole state goes out.
void BM_LoadSettingsFile(benchmark::State& state) {
    Mixer mixer;
    TForm1& form = *mixer.form;
    ReportMessages(state, mixer.MessagesOf([&] { form.LoadSettingsFile(); }));
    for (auto _ : state)
        form.LoadSettingsFile();
}
BENCHMARK(BM_LoadSettingsFile)->Unit(benchmark::kMicrosecond);

// A tick with only the master volume refreshed.
void BM_RefreshTickMaster(benchmark::State& state) {
    Mixer mixer;
    vireo::MixerPanels& panels = *mixer.form->Mixer;
    panels.PeriodicRefresh->setChecked(true);
    ReportMessages(state, mixer.MessagesOf([&] { panels.Timer1Timer(); }));
    for (auto _ : state)
        panels.Timer1Timer();
}
BENCHMARK(BM_RefreshTickMaster)->Unit(benchmark::kMicrosecond);

// The heaviest tick: both boxes checked, the MIDI panel unfolded.
void BM_RefreshTickBoth(benchmark::State& state) {
    Mixer mixer;
    mixer.form->MIDIButtonClick(); // unfold
    vireo::MixerPanels& panels = *mixer.form->Mixer;
    panels.PeriodicRefresh->setChecked(true);
    panels.MIDIRefresh->setChecked(true);
    ReportMessages(state, mixer.MessagesOf([&] { panels.Timer1Timer(); }));
    for (auto _ : state)
        panels.Timer1Timer();
}
BENCHMARK(BM_RefreshTickBoth)->Unit(benchmark::kMicrosecond);

// The window's creation as a start runs it, its start-up load included; the share of a
// start that is the mixer's own rather than Qt's or the MIDI system's. Closing the window
// (which stores its position) is not timed.
void BM_CreateMixerWindow(benchmark::State& state) {
    SimulatedMidiService service{{"Synth"}};
    service.setRecording(false);
    for (auto _ : state) {
        auto form = std::make_unique<TForm1>(service, PreferencesStore::Shared(),
                                             TForm1::Options{{TypicalFilePath()}, false});
        benchmark::DoNotOptimize(form->SettingsFileName);
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CreateMixerWindow)->Unit(benchmark::kMicrosecond);

// One preference read as the window's creation makes about nine: the hive is opened, read
// and parsed each time.
void BM_ReadPreference(benchmark::State& state) {
    PreferencesStore& store = PreferencesStore::Shared();
    store.WriteRegInteger(vireo::SettingsKey, "Periodic Delay", 250);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.ReadRegInteger(vireo::SettingsKey, "Periodic Delay", 0));
}
BENCHMARK(BM_ReadPreference)->Unit(benchmark::kMicrosecond);

// The program icon as the window's creation makes it: every PNG size is decoded.
void BM_AppIcon(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(vireo::AppIcon());
}
BENCHMARK(BM_AppIcon)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    UsePrivateFolders(); // before Qt reads any folder
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
