// The real program as a second start meets it: a running mixer on a private JACK server, and
// a start with a file that hands it over and ends. A start that ends so, or that the hardware
// check refuses, shows no window of its own on a real X display.
#include "JackService.h"
#include "JackTestProcesses.h"
#include "RunningInstance.h"
#include "XvfbDisplay.h"
#include "app/HardwareCheck.h"
#include "shell/InstanceChannel.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

bool WaitForCaption(const std::function<bool(const QString&)>& wanted) {
    return WaitUntil([&] { return wanted(RunningCaption()); }, 20s);
}

QString RunOn(const QString& display, const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, QStringList{"-display", display} + arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Every window mapped on an X display without window manager, as xev reports them on the root.
class MappedWindows {
public:
    static bool Installed() {
        return XvfbDisplay::Installed() && !QStandardPaths::findExecutable("xev").isEmpty() &&
               !QStandardPaths::findExecutable("xprop").isEmpty();
    }
    explicit MappedWindows(const XvfbDisplay& x)
        : display_(x.display()) {
        xev_.start("xev",
                   {"-display", display_, "-root", "-event", "substructure", "-event", "property"});
    }
    ~MappedWindows() {
        xev_.kill();
        xev_.waitForFinished(5000);
    }
    MappedWindows(const MappedWindows&) = delete;
    MappedWindows& operator=(const MappedWindows&) = delete;

    // Waits until xev has reported all that came before: it sees a property set now (again
    // and again, as xev may not listen yet).
    bool caughtUp() {
        const QString mark = QStringLiteral("_VIREO_MARK_%1").arg(++marks_);
        return WaitUntil(
            [&] {
                RunOn(display_, "xprop", {"-root", "-f", mark, "8s", "-set", mark, "1"});
                xev_.waitForReadyRead(100);
                output_ += QString::fromLocal8Bit(xev_.readAllStandardOutput());
                return output_.contains(mark);
            },
            10s);
    }
    // The ids of the windows mapped so far, in order.
    QStringList ids() const {
        QStringList found;
        static const QRegularExpression map(R"(MapNotify event.*\n.*window (0x[0-9a-f]+))");
        for (const auto& match : map.globalMatch(output_))
            found << match.captured(1);
        return found;
    }
    // The window's first (own) type of _NET_WM_WINDOW_TYPE.
    std::string type(const QString& id) const {
        const QString types = RunOn(display_, "xprop", {"-id", id, "_NET_WM_WINDOW_TYPE"});
        return types.section(" = ", 1).section(',', 0, 0).trimmed().toStdString();
    }

private:
    QString display_;
    QProcess xev_;
    QString output_;
    int marks_ = 0;
};

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

    QProcess& startMixer(const QStringList& arguments, const QString& workingFolder = {},
                         const QProcessEnvironment& environment = {}) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        if (!environment.isEmpty())
            process->setProcessEnvironment(environment);
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

TEST_F(InstanceEndToEnd, ARefusedOrHandedOverStartMapsNoWindowOfItsOwn) {
    if (!MappedWindows::Installed())
        GTEST_SKIP() << "Xvfb, xdotool, xev or xprop is not installed";
    XvfbDisplay x;
    ASSERT_TRUE(x.running());
    MappedWindows mapped(x);
    ASSERT_TRUE(mapped.caughtUp()) << "xev does not report the display";
    QProcessEnvironment onX = QProcessEnvironment::systemEnvironment();
    onX.insert("QT_QPA_PLATFORM", "xcb");
    onX.insert("DISPLAY", x.display());

    QProcessEnvironment noMidi = onX; // no sequencer here, and a JACK server that is not there
    noMidi.insert("JACK_DEFAULT_SERVER", "vireo-instance-absent");
    noMidi.insert("JACK_NO_START_SERVER", "1");
    QProcess& refused = startMixer({}, {}, noMidi);
    const QString box = x.findWindow(QRegularExpression::escape(AppTitle()));
    ASSERT_FALSE(box.isEmpty()) << "the refusal never showed";
    ASSERT_TRUE(mapped.caughtUp());
    ASSERT_FALSE(mapped.ids().isEmpty());
    for (const QString& id : mapped.ids())
        EXPECT_EQ(mapped.type(id), "_NET_WM_WINDOW_TYPE_DIALOG") << "window " << id.toStdString();
    EXPECT_TRUE(x.typeInto(box, {"Return"}));
    ASSERT_TRUE(refused.waitForFinished(15000));
    EXPECT_EQ(refused.exitCode(), 1);

    startMixer({}); // offscreen: any window on the display is the second start's
    ASSERT_TRUE(WaitForCaption([](const QString& c) { return c.startsWith(InstancePrefix()); }));
    const qsizetype before = mapped.ids().size();
    QFile file(privateHome().path() + "/handed.mix");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Mixer Settings]\r\nMaster Volume=99\r\n");
    file.close();
    QProcess& second = startMixer({file.fileName()}, {}, onX);
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0) << "the start did not hand its file over";
    ASSERT_TRUE(mapped.caughtUp());
    EXPECT_EQ(mapped.ids().size(), before) << "the handed-over start mapped a window";
}

} // namespace
} // namespace vireo::test
