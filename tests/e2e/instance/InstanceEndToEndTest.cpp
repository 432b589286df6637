// The real program as a second start meets it: a running mixer on a private JACK server, and
// a start with a file that hands it over and ends.
#include "JackService.h"
#include "JackTestProcesses.h"
#include "RunningInstance.h"
#include "app/HardwareCheck.h"
#include "shell/InstanceChannel.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

bool WaitForCaption(const std::function<bool(const QString&)>& wanted) {
    return WaitUntil([&] { return wanted(RunningCaption()); }, 20s);
}

class InstanceEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        if (!PrivateJackServer::Installed())
            GTEST_SKIP() << "jackd or jack_midi_dump is not installed: no MIDI device to start on";
        server = std::make_unique<PrivateJackServer>();
        ASSERT_TRUE(server->running()) << server->startError();
        dump = std::make_unique<MidiDump>(); // the MIDI output device the check asks for
        ASSERT_TRUE(dump->started());
        // A mixer started before the dump's port is there rightly finds no device.
        ASSERT_GE(WaitForDevice(*JackOnlyService("instance-probe"), dump->port()), 0);
    }

    void TearDown() override {
        for (auto& process : processes) {
            process->terminate(); // ends like Exit
            if (!process->waitForFinished(10000))
                process->kill();
            process->waitForFinished(5000);
        }
    }

    QProcess& startMixer(const QStringList& arguments, const QString& workingFolder = {}) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        if (!workingFolder.isEmpty())
            process->setWorkingDirectory(workingFolder);
        process->start(VIREO_MIXER_PROGRAM, arguments);
        EXPECT_TRUE(process->waitForStarted(10000)) << qPrintable(process->errorString());
        processes.push_back(std::move(process));
        return *processes.back();
    }

    std::unique_ptr<PrivateJackServer> server;
    std::unique_ptr<MidiDump> dump;
    std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(InstanceEndToEnd, ASecondStartHandsItsFileToTheRunningMixerAndEnds) {
    QProcess& first = startMixer({});
    ASSERT_TRUE(WaitForCaption([](const QString& c) { return c.startsWith(InstancePrefix()); }))
        << "the first mixer never showed a loaded settings file";

    QTemporaryDir folder(privateHome().path() + "/Mes «mixes» XXXXXX");
    const QString name = QString::fromUtf8("Hand \"over\" ünï");
    QFile file(folder.path() + '/' + name + ".mix");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Mixer Settings]\r\nMaster Volume=99\r\n");
    file.close();

    QProcess& second = startMixer({name + ".mix", "/ignored/second.mix"}, folder.path());
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);

    EXPECT_TRUE(WaitForCaption([&](const QString& c) { return c == AppTitle() + " - " + name; }))
        << "the running mixer shows " << RunningCaption().toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(InstanceEndToEnd, AStartWithoutAFileEndsAndLeavesTheRunningMixerAsItWas) {
    QProcess& first = startMixer({});
    ASSERT_TRUE(WaitForCaption([](const QString& c) { return c.startsWith(InstancePrefix()); }));
    const QString caption = RunningCaption();

    QProcess& second = startMixer({});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(RunningCaption(), caption);

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_FALSE(QFile::exists(DefaultInstanceEndpoint().socketPath)) << "an orderly end tidies up";
}

} // namespace
} // namespace vireo::test
