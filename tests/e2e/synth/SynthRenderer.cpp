#include "SynthRenderer.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <memory>

namespace vireo::test {
namespace {

constexpr int kSampleRate = 22050;
constexpr int kRenderTimeoutMs = 30'000;

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString TiMidityConfig(const QString& folder) {
    return folder + "/timidity.cfg";
}

std::string ProcessFailure(QProcess& process) {
    const std::string output = process.readAll().toStdString();
    if (process.error() == QProcess::FailedToStart)
        return "could not start: " + process.errorString().toStdString();
    if (process.state() != QProcess::NotRunning)
        return "did not finish in time";
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return "failed (exit code " + std::to_string(process.exitCode()) + "): " + output;
    return {};
}

Rendering ReadRendering(const QString& waveFile) {
    QFile file(waveFile);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, "wrote no WAVE file"};
    const QByteArray bytes = file.readAll();
    const auto data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    WaveReadResult read = ParseWave({data, static_cast<std::size_t>(bytes.size())});
    return {std::move(read.wave), read.error};
}

} // namespace

Synthesizer Synthesizer::TiMidity() {
    Honoured h;
    h.masterVolume = true;
    h.channelVolume = true;
    h.reverbSend = true;
    // Mapped onto its own reverb presets; "No Effect" leaves its reverb on, and White Room,
    // Tunnel and Basement have no preset there.
    h.reverbTypes = {"Hall1", "Hall2", "Room1", "Room2", "Room3", "Stage1", "Stage2", "Plate"};
    h.xgSystemOnReset = true;
    h.gsReset = true;
    h.gmSystemOnReset = true;
    return {Kind::TiMidity, "TiMidity++", "timidity", h};
}

Synthesizer Synthesizer::FluidSynth() {
    Honoured h;
    h.channelVolume = true;
    h.reverbSend = true;
    h.gmSystemOnReset = true;
    return {Kind::FluidSynth, "FluidSynth", "fluidsynth", h};
}

QString Synthesizer::SoundFont() {
    return "/usr/share/sounds/sf2/TimGM6mb.sf2";
}

std::string Synthesizer::missing() const {
    if (QStandardPaths::findExecutable(program).isEmpty())
        return program.toStdString() + " is not installed";
    if (!QFileInfo(SoundFont()).isReadable())
        return "the sound font " + SoundFont().toStdString() + " is not installed";
    return {};
}

QStringList Synthesizer::arguments(const QString& midiFile, const QString& waveFile,
                                   const QString& folder) const {
    const QString rate = QString::number(kSampleRate);
    if (kind == Kind::TiMidity)
        return {"-c", TiMidityConfig(folder), "-idq", "-Ow", "-s", rate, "-o", waveFile, midiFile};
    return {"-n", "-i",  "-q", "-r",     rate,        "-T",    "wav",
            "-O", "s16", "-F", waveFile, SoundFont(), midiFile};
}

void PrintTo(const Synthesizer& synth, std::ostream* out) {
    *out << synth.name;
}

std::vector<Rendering> RenderAll(const Synthesizer& synth,
                                 const std::vector<std::vector<std::uint8_t>>& midiFiles,
                                 const QString& folder) {
    // TiMidity reads the system's configuration first; ours adds the sound font on top.
    if (synth.kind == Synthesizer::Kind::TiMidity)
        WriteFile(TiMidityConfig(folder),
                  ("soundfont " + Synthesizer::SoundFont() + "\n").toUtf8());

    std::vector<std::unique_ptr<QProcess>> processes;
    std::vector<QString> waveFiles;
    for (std::size_t i = 0; i < midiFiles.size(); ++i) {
        const QString base = folder + "/take" + QString::number(i);
        const auto& midi = midiFiles[i];
        WriteFile(base + ".mid", QByteArray(reinterpret_cast<const char*>(midi.data()),
                                            static_cast<qsizetype>(midi.size())));
        waveFiles.push_back(base + ".wav");
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(synth.program, synth.arguments(base + ".mid", waveFiles.back(), folder));
        processes.push_back(std::move(process));
    }

    std::vector<Rendering> renderings;
    for (std::size_t i = 0; i < processes.size(); ++i) {
        QProcess& process = *processes[i];
        process.waitForFinished(kRenderTimeoutMs);
        std::string failure = ProcessFailure(process);
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
        Rendering rendering =
            failure.empty() ? ReadRendering(waveFiles[i]) : Rendering{{}, failure};
        if (!rendering.error.empty())
            rendering.error = synth.name + ": " + rendering.error;
        renderings.push_back(std::move(rendering));
    }
    return renderings;
}

} // namespace vireo::test
