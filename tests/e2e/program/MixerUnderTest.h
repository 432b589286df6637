#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vireo::test {

// The private folders of the program under test: HOME, the XDG folders with the machine's and
// the user's preference hives, and the settings files it is given.
class MixerHome {
public:
    MixerHome();
    bool valid() const { return root_.isValid(); }
    QString path() const { return root_.path(); }

    // Hives that make the program open `device` (the first-run probe already made) and keep
    // the lock warning away, since it would take the keyboard; `userLines` are further values
    // of the user's hive, such as "\"PosX\"=dword:0000002d", `machineLines` of the machine's.
    void writePreferences(const std::string& device, const QStringList& userLines = {},
                          const QStringList& machineLines = {}) const;
    // Writes a settings file into a folder of its own and returns its full path.
    QString writeSettingsFile(const QString& name, const std::string& text) const;

    // Values of the user's hive as the program left them.
    std::optional<std::int32_t> userInteger(const QString& name) const;
    std::optional<QString> userString(const QString& name) const;

    // The program's environment: these folders, the display, the current JACK server, and no
    // session bus (so no notification area can be found there either).
    QProcessEnvironment environment(const QString& display) const;
    QString logFile() const { return path() + "/program.log"; }

private:
    QString userHive() const;
    QString machineHive() const;
    std::optional<QString> userValue(const QString& name) const;

    QTemporaryDir root_;
};

// One run of the real program, ended by its process id.
class MixerProgram {
public:
    MixerProgram(const MixerHome& home, const QString& display, const QStringList& arguments);
    // Ends it the way Exit does (SIGTERM) if it still runs, killing it if that fails.
    ~MixerProgram();
    MixerProgram(const MixerProgram&) = delete;
    MixerProgram& operator=(const MixerProgram&) = delete;

    bool started() const { return started_; }
    bool running() const { return process_->state() != QProcess::NotRunning; }
    bool waitForExit(std::chrono::milliseconds limit);
    // Exit code after a normal end; -1 after a crash or while it runs.
    int exitCode() const;
    void terminate();
    // What it wrote on standard output and error, for failure messages.
    std::string log() const;
    qint64 processId() const { return process_->processId(); }

private:
    std::unique_ptr<QProcess> process_;
    QString logFile_;
    bool started_ = false;
};

} // namespace vireo::test
