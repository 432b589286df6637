// Cost of loading a settings file, as a load from the menu or a dropped file pays it.
#include "persistence/ProfileText.h"
#include "persistence/SettingsFile.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>

namespace {

constexpr const char* kTypicalFile =
    "[Mixer Settings]\r\n"
    "Volume Level=100\r\nMIDI Level=127\r\nMIDI Reverb Level=40\r\n"
    "MIDI Chorus Level=0\r\nA/D Part Level=127\r\n"
    "Reverb Level=64\r\nChorus Level=0\r\nVariation Level=0\r\n"
    "Dry Level=127\r\nReverb Effect=Hall1\r\n"
    "Chorus Effect=No Effect\r\n"
    "Variation Effect=Delay L,C,R\r\nLock=0\r\n"
    "Periodic Refresh=0\r\n";

std::string TypicalFilePath() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "vireo-bench-typical.mix";
        std::ofstream(file, std::ios::binary) << kTypicalFile;
        return file.string();
    }();
    return path;
}

void BM_ReadSettingsFile(benchmark::State& state) {
    const std::string path = TypicalFilePath();
    for (auto _ : state)
        benchmark::DoNotOptimize(vireo::ReadSettingsFile(path));
}
BENCHMARK(BM_ReadSettingsFile)->Unit(benchmark::kMicrosecond);

// The text work alone, without opening the file.
void BM_GetFourteenKeys(benchmark::State& state) {
    const std::string text = kTypicalFile;
    for (auto _ : state) {
        for (int n = 0; n < 14; ++n)
            benchmark::DoNotOptimize(
                vireo::profile::GetString(text, "Mixer Settings", "Periodic Refresh"));
    }
}
BENCHMARK(BM_GetFourteenKeys)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(TypicalFilePath());
    return 0;
}
