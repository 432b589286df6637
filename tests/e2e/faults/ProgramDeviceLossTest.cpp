// The real program with the periodic refresh on, when its JACK server or its device goes away
// under it: it stays responsive, reports the failing refresh once instead of at every tick,
// and sends again once the device is back and the user has chosen it in Preferences.
// On a display without a notification area the main window is the program's main window,
// which is where the keyboard reaches the Preferences command.
#include "JackServerProcess.h"
#include "JackTestProcesses.h"
#include "RunningInstance.h"
#include "XvfbDisplay.h"
#include "app/HardwareCheck.h"
#include "persistence/PreferencesStore.h"
#include "shell/InstanceChannel.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <thread>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

enum class Loss { Server, Device };

// What every tick of the master refresh sends, at the level the settings file gives.
const MidiDump::Message kTick{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x11, 0x64, 0xF7};

std::size_t Ticks(MidiDump& dump) {
    const auto& messages = dump.messages();
    return std::size_t(std::count(messages.begin(), messages.end(), kTick));
}

// A fresh user without the lock warning and with a 100 ms refresh period; and a settings file
// that turns the master refresh on.
QString PrepareUser() {
    const QString home = privateHome().path();
    QDir(home + "/home/.config/sonexa-vireo-mixer").removeRecursively();
    QDir(home + "/etc/xdg/sonexa-vireo-mixer").removeRecursively();
    PreferencesStore& store = PreferencesStore::Shared();
    store.SetRootKey(RegRoot::CurrentUser);
    store.WriteRegInteger(SettingsKey, "No Warning", 1);
    store.WriteRegInteger(SettingsKey, "Periodic Delay", 100);
    QDir().mkpath(home + "/files");
    const QString path = home + "/files/faults.mix";
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write("[Mixer Settings]\r\nVolume Level=100\r\nPeriodic Refresh=1\r\n");
    return path;
}

class ProgramDeviceLoss : public testing::TestWithParam<Loss> {
protected:
    void SetUp() override {
        if (!PrivateJackServer::Installed() || !XvfbDisplay::Installed())
            GTEST_SKIP() << "needs jackd, jack_midi_dump, Xvfb and xdotool";
        ASSERT_TRUE(server.start()) << server.error();
        // The first start picks a device whose name holds "MPU".
        ASSERT_NO_FATAL_FAILURE(startDump());
        display = std::make_unique<XvfbDisplay>();
        ASSERT_TRUE(display->running()) << "Xvfb gave no display";
        ASSERT_NO_FATAL_FAILURE(startMixer(PrepareUser()));
    }

    void TearDown() override {
        if (mixer.state() != QProcess::NotRunning) {
            mixer.terminate();
            if (!mixer.waitForFinished(10000))
                mixer.kill();
            mixer.waitForFinished(10000);
        }
        server.end();
        dump.reset();
        display.reset();
    }

    void startDump() {
        dump = std::make_unique<MidiDump>("vireo-MPU");
        ASSERT_TRUE(dump->started());
        ASSERT_TRUE(WaitForPort(dump->port(), 20s)) << dump->port() << " never appeared";
    }

    void startMixer(const QString& settingsFile) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("DISPLAY", display->display());
        mixer.setProcessEnvironment(environment);
        mixer.start(VIREO_MIXER_PROGRAM, {settingsFile});
        ASSERT_TRUE(mixer.waitForStarted(10000)) << qPrintable(mixer.errorString());
    }

    // The lines the program wrote on standard error since the last call.
    QStringList newErrorLines() {
        errors += QString::fromLocal8Bit(mixer.readAllStandardError());
        const int end = int(errors.lastIndexOf('\n')) + 1;
        const QStringList lines = errors.left(end).split('\n', Qt::SkipEmptyParts);
        errors.remove(0, end);
        return lines;
    }

    bool ticksArrive(std::size_t more) {
        const std::size_t wanted = Ticks(*dump) + more;
        return WaitUntil([&] { return Ticks(*dump) >= wanted; }, 20s);
    }

    void lose() {
        if (GetParam() == Loss::Server)
            server.kill();
        else
            dump->kill();
    }

    void bringBack() {
        if (GetParam() == Loss::Server) {
            ASSERT_TRUE(server.start()) << server.error();
        }
        ASSERT_NO_FATAL_FAILURE(startDump());
    }

    JackServerProcess server;
    std::unique_ptr<MidiDump> dump;
    std::unique_ptr<XvfbDisplay> display;
    QProcess mixer;
    QString errors;
};

TEST_P(ProgramDeviceLoss, ReportsOnceStaysResponsiveAndSendsAgainAfterPreferencesOk) {
    ASSERT_TRUE(ticksArrive(3)) << "the refresh never reached the device; the mixer said: "
                                << newErrorLines().join(" | ").toStdString() << "; received "
                                << dump->messages().size();
    newErrorLines();

    lose();
    std::this_thread::sleep_for(3s); // thirty refresh periods
    ASSERT_EQ(mixer.state(), QProcess::Running);
    mixer.waitForReadyRead(500);
    const QStringList reports = newErrorLines();
    EXPECT_EQ(reports.size(), 1) << "error lines: " << reports.join(" | ").toStdString();

    // A second start still gets its answer while the error box is open.
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_TRUE(RunningCaption().startsWith(InstancePrefix()));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 3s);

    // Once the box is closed, the refresh that still fails brings up no other.
    const QString box = display->findWindow("^Sonexa Vireo Mixer$");
    ASSERT_FALSE(box.isEmpty()) << "no error box";
    ASSERT_TRUE(display->typeInto(box, {"Return"}));
    std::this_thread::sleep_for(2s);
    mixer.waitForReadyRead(500);
    const QStringList later = newErrorLines();
    EXPECT_TRUE(later.isEmpty()) << "error lines: " << later.join(" | ").toStdString();
    EXPECT_TRUE(display->findWindow("^Sonexa Vireo Mixer$", 1).isEmpty()) << "another error box";

    ASSERT_NO_FATAL_FAILURE(bringBack());
    const QString window = display->findWindow("^Sonexa Vireo Mixer - faults");
    ASSERT_FALSE(window.isEmpty()) << "no mixer window";
    ASSERT_TRUE(display->typeInto(window, {"alt+o", "p"})); // &Options, &Preferences...
    const QString preferences = display->findWindow("^Preferences");
    ASSERT_FALSE(preferences.isEmpty()) << "no Preferences dialog";
    ASSERT_TRUE(display->typeInto(preferences, {"Return"})); // OK
    EXPECT_TRUE(ticksArrive(3)) << "the refresh did not reach the device that came back";

    mixer.terminate();
    ASSERT_TRUE(mixer.waitForFinished(5000)) << "SIGTERM did not end the mixer";
    EXPECT_EQ(mixer.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(mixer.exitCode(), 0);
    const QStringList last = newErrorLines();
    EXPECT_TRUE(last.isEmpty()) << "error lines: " << last.join(" | ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Loss, ProgramDeviceLoss, testing::Values(Loss::Server, Loss::Device),
                         [](const auto& info) {
                             return info.param == Loss::Server ? "ServerKilled" : "DeviceRemoved";
                         });

} // namespace
} // namespace vireo::test
