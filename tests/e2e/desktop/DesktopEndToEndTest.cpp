// The real program on a desktop: a private X display with a window manager (openbox) and, where
// a case asks for one, a tray host (trayer), over a private JACK server whose jack_midi_dump is
// the mixer's device. What a user sees is read with xwininfo and xprop; nothing here calls the
// program's code.
#include "DesktopSession.h"
#include "DumpChecks.h"
#include "JackPortProbe.h"
#include "JackTestProcesses.h"
#include "MixerUnderTest.h"
#include "XgMessages.h"
#include "XvfbDisplay.h"

#include <QFile>
#include <QSize>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kLimit = 30s;
const QString kMainWindow = QStringLiteral("^Sonexa Vireo Mixer - ");
const QString kLockWarning = QStringLiteral("^Sonexa Vireo Mixer$");

class Desktop : public testing::Test {
protected:
    void SetUp() override {
        if (!PrivateJackServer::Installed() || !XvfbDisplay::Installed() ||
            !DesktopSession::Installed())
            GTEST_SKIP() << "needs jackd, jack_midi_dump, Xvfb, openbox, trayer, wmctrl, "
                            "x11-utils and xdotool (scripts/install-deps.sh)";
        server = std::make_unique<PrivateJackServer>();
        ASSERT_TRUE(server->running()) << server->startError();
        dump = std::make_unique<MidiDump>("vireo-desktop");
        ASSERT_TRUE(dump->started());
        ASSERT_TRUE(WaitForActiveMidiInput(dump->port(), kLimit));
        display = std::make_unique<XvfbDisplay>();
        ASSERT_TRUE(display->running()) << "Xvfb gave no display";
        desktop = std::make_unique<DesktopSession>(display->display());
        ASSERT_TRUE(desktop->startWindowManager()) << "openbox did not manage the screen";
        ASSERT_TRUE(home.valid());
    }

    // The mixers end first, then the desktop, then the server while its clients still live.
    void TearDown() override {
        programs.clear();
        desktop.reset();
        server.reset();
        dump.reset();
        display.reset();
    }

    // Preferences that open the dump; `warn` lets the lock warning come up.
    void writePreferences(const QStringList& userLines = {}, bool warn = false) const {
        home.writePreferences(dump->port(), userLines);
        if (!warn)
            return;
        QFile hive(home.path() + "/home/.config/sonexa-vireo-mixer/user.reg");
        ASSERT_TRUE(hive.open(QIODevice::ReadOnly));
        QByteArray text = hive.readAll();
        hive.close();
        text.replace("\"No Warning\"=dword:00000001", "\"No Warning\"=dword:00000000");
        ASSERT_TRUE(hive.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hive.write(text);
    }

    MixerProgram& startMixer(const QStringList& arguments = {}) {
        programs.push_back(std::make_unique<MixerProgram>(home, display->display(), arguments));
        EXPECT_TRUE(programs.back()->started()) << "the mixer did not start";
        return *programs.back();
    }

    // Ends the last mixer the way Exit does, so that it stores its position.
    void endMixer() {
        MixerProgram& program = *programs.back();
        program.terminate();
        ASSERT_TRUE(program.waitForExit(kLimit)) << program.log();
        EXPECT_EQ(program.exitCode(), 0) << program.log();
    }

    // Ends the last mixer once `window` has its frame, adds the frame's top left to `frames`,
    // and checks that the `start`th start stored it as the position.
    void endFramedMixer(const QString& window, int start, std::vector<QPoint>& frames) {
        std::optional<QPoint> frame;
        ASSERT_TRUE(
            WaitUntil([&] { return (frame = desktop->frameTopLeft(window)).has_value(); }, kLimit));
        frames.push_back(*frame);
        ASSERT_NO_FATAL_FAILURE(endMixer());
        EXPECT_EQ(home.userInteger("PosX"), frame->x()) << "start " << start + 1;
        EXPECT_EQ(home.userInteger("PosY"), frame->y()) << "start " << start + 1;
    }

    QString waitForTrayIcon() const {
        QString icon;
        WaitUntil(
            [&] {
                icon = desktop->trayIcon();
                return !icon.isEmpty();
            },
            kLimit);
        return icon;
    }

    bool waitUntilVisible(const QString& pattern, bool shown) const {
        return WaitUntil([&] { return desktop->visible(pattern) == shown; }, kLimit);
    }

    // Restores a minimised window and waits until the window manager shows it.
    bool restore(const QString& window) const {
        return desktop->activate(window) &&
               WaitUntil([&] { return desktop->wmState(window) == "Normal"; }, kLimit);
    }

    std::unique_ptr<PrivateJackServer> server;
    std::unique_ptr<MidiDump> dump;
    std::unique_ptr<XvfbDisplay> display;
    std::unique_ptr<DesktopSession> desktop;
    MixerHome home;
    std::vector<std::unique_ptr<MixerProgram>> programs;
};

// With a notification area: the icon, its left click, the close box, and Exit from its menu.
class DesktopTray : public Desktop {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Desktop::SetUp());
        if (IsSkipped())
            return;
        ASSERT_TRUE(desktop->startTrayHost()) << "trayer did not come up";
    }
};

TEST_F(DesktopTray, TheIconShowsTheWindowTheCloseBoxHidesItAndExitEndsTheProgram) {
    writePreferences();
    MixerProgram& program = startMixer();
    const QString icon = waitForTrayIcon();
    ASSERT_FALSE(icon.isEmpty()) << "no icon in the tray host\n" << program.log();
    EXPECT_FALSE(desktop->visible(kMainWindow)) << "the window shows before it is opened";

    ASSERT_TRUE(desktop->click(icon, 1));
    ASSERT_TRUE(waitUntilVisible(kMainWindow, true)) << "a left click did not show the window";
    const QString window = desktop->waitForManagedWindow(kMainWindow, kLimit);
    ASSERT_FALSE(window.isEmpty());

    ASSERT_TRUE(desktop->close(window));
    ASSERT_TRUE(waitUntilVisible(kMainWindow, false)) << "the close box did not hide the window";
    // The program goes on: the icon still opens the window.
    ASSERT_TRUE(desktop->click(icon, 1));
    ASSERT_TRUE(waitUntilVisible(kMainWindow, true)) << "the program did not go on after close";
    EXPECT_TRUE(program.running());

    const int before = desktop->mixerWindowCount();
    ASSERT_TRUE(desktop->click(icon, 3));
    ASSERT_TRUE(WaitUntil([&] { return desktop->mixerWindowCount() > before; }, kLimit))
        << "the tray menu did not open";
    ASSERT_TRUE(desktop->key("x")); // E&xit
    ASSERT_TRUE(program.waitForExit(kLimit)) << "Exit from the tray menu did not end the program";
    EXPECT_EQ(program.exitCode(), 0) << program.log();
    EXPECT_TRUE(WaitUntil([&] { return desktop->trayIcon().isEmpty(); }, kLimit))
        << "the icon stayed after Exit";
}

TEST_F(DesktopTray, WhileAModalDialogIsOpenAClickOnTheIconBringsTheDialogForward) {
    writePreferences();
    MixerProgram& program = startMixer();
    const QString icon = waitForTrayIcon();
    ASSERT_FALSE(icon.isEmpty()) << program.log();
    ASSERT_TRUE(desktop->click(icon, 1));
    ASSERT_TRUE(waitUntilVisible(kMainWindow, true));
    const QString window = desktop->waitForManagedWindow(kMainWindow, kLimit);
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(desktop->activate(window));
    ASSERT_TRUE(WaitUntil(
        [&] { return desktop->activeTitle().startsWith("Sonexa Vireo Mixer - "); }, kLimit));
    ASSERT_TRUE(desktop->key("alt+h"));
    ASSERT_TRUE(desktop->key("a")); // &About
    const QString about = QStringLiteral("About Sonexa Vireo Mixer");
    ASSERT_TRUE(WaitUntil([&] { return desktop->activeTitle() == about; }, kLimit))
        << "the About box did not open";

    ASSERT_TRUE(desktop->startCoveringWindow()) << "xmessage did not take the focus";
    ASSERT_TRUE(desktop->click(icon, 1));
    EXPECT_TRUE(WaitUntil([&] { return desktop->activeTitle() == about; }, kLimit))
        << "the click on the icon left \"" << desktop->activeTitle().toStdString() << "\" in front";
}

TEST_F(DesktopTray, ThreeStartsOpenTheWindowWhereItWasLeft) {
    writePreferences({"\"PosX\"=dword:0000012c", "\"PosY\"=dword:000000c8"});
    std::vector<QPoint> frames;
    for (int start = 0; start < 3; ++start) {
        startMixer();
        const QString icon = waitForTrayIcon();
        ASSERT_FALSE(icon.isEmpty()) << programs.back()->log();
        ASSERT_TRUE(desktop->click(icon, 1));
        ASSERT_TRUE(waitUntilVisible(kMainWindow, true));
        const QString window = desktop->waitForManagedWindow(kMainWindow, kLimit);
        ASSERT_FALSE(window.isEmpty());
        ASSERT_NO_FATAL_FAILURE(endFramedMixer(window, start, frames));
    }
    EXPECT_EQ(frames, (std::vector<QPoint>(3, QPoint(300, 200))));
}

// A tray host that ends and comes back, as a panel restarts: meanwhile the window is the
// program's main window, shown; then the icon comes back, and tray mode with it.
TEST_F(DesktopTray, ATrayHostThatEndsAndComesBackGetsTheIconAgain) {
    writePreferences();
    MixerProgram& program = startMixer();
    ASSERT_FALSE(waitForTrayIcon().isEmpty()) << program.log();
    desktop->stopTrayHost();
    ASSERT_TRUE(waitUntilVisible(kMainWindow, true)) << "without a tray the window stayed hidden";

    ASSERT_TRUE(desktop->startTrayHost());
    const QString icon = waitForTrayIcon();
    ASSERT_FALSE(icon.isEmpty()) << "the icon did not come back\n" << program.log();
    const QString window = desktop->waitForManagedWindow(kMainWindow, kLimit);
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(desktop->close(window));
    ASSERT_TRUE(waitUntilVisible(kMainWindow, false));
    ASSERT_TRUE(desktop->click(icon, 1));
    EXPECT_TRUE(waitUntilVisible(kMainWindow, true)) << "closing ended the program";
    EXPECT_TRUE(program.running());
}

// Without a notification area the window is the program's main window: it starts minimised,
// and its frame comes back where it was left.
class DesktopNoTray : public Desktop {};

TEST_F(DesktopNoTray, StartsMinimisedWithoutTheLockWarningAndARestoreBringsTheWarning) {
    writePreferences({}, true);
    MixerProgram& program = startMixer();
    const QString window = desktop->waitForManagedWindow(kMainWindow, kLimit);
    ASSERT_FALSE(window.isEmpty()) << program.log();
    EXPECT_EQ(desktop->wmState(window), "Iconic") << "the window did not start minimised";
    // A warning at start would come up as the window manager maps the window, which it has
    // done by now.
    EXPECT_FALSE(desktop->visible(kLockWarning)) << "the lock warning came up at start";

    ASSERT_TRUE(restore(window));
    EXPECT_TRUE(waitUntilVisible(kLockWarning, true)) << "a restore did not bring the warning";
}

TEST_F(DesktopNoTray, ThreeStartsOpenTheWindowAtTheSameOuterPosition) {
    writePreferences({"\"PosX\"=dword:0000012c", "\"PosY\"=dword:000000c8"});
    std::vector<QPoint> frames;
    for (int start = 0; start < 3; ++start) {
        startMixer();
        const QString window = desktop->waitForManagedWindow(kMainWindow, kLimit);
        ASSERT_FALSE(window.isEmpty()) << programs.back()->log();
        ASSERT_TRUE(restore(window));
        ASSERT_NO_FATAL_FAILURE(endFramedMixer(window, start, frames));
    }
    EXPECT_EQ(frames, (std::vector<QPoint>(3, QPoint(300, 200))));
}

TEST_F(DesktopNoTray, WithoutAStoredPositionTheFrameIsCentredByItsOuterSize) {
    writePreferences();
    startMixer();
    const QString window = desktop->waitForManagedWindow(kMainWindow, kLimit);
    ASSERT_FALSE(window.isEmpty()) << programs.back()->log();
    ASSERT_TRUE(restore(window));
    const auto extents = desktop->frameExtents(window);
    const auto client = desktop->clientSize(window);
    ASSERT_TRUE(extents && client);
    // Centred before the MIDI CONTROL panel folds, on the unfolded 632-pixel client width.
    const QSize outer(632 + extents->at(0) + extents->at(1),
                      client->height() + extents->at(2) + extents->at(3));
    const QPoint centred((1024 - outer.width()) / 2, (768 - outer.height()) / 2);
    EXPECT_TRUE(WaitUntil([&] { return desktop->frameTopLeft(window) == centred; }, kLimit))
        << "frame at " << desktop->frameTopLeft(window).value_or(QPoint()).x() << ","
        << desktop->frameTopLeft(window).value_or(QPoint()).y() << ", centred is " << centred.x()
        << "," << centred.y();
}

// A tray host that comes after the mixer: the icon comes up, and from then on the close box
// hides the window instead of ending the program.
class DesktopLateTray : public Desktop {};

TEST_F(DesktopLateTray, ATrayHostStartedAfterTheMixerGetsItsIconAndTrayMode) {
    writePreferences();
    MixerProgram& program = startMixer();
    const QString window = desktop->waitForManagedWindow(kMainWindow, kLimit);
    ASSERT_FALSE(window.isEmpty()) << program.log();
    ASSERT_TRUE(desktop->startTrayHost());
    const QString icon = waitForTrayIcon();
    ASSERT_FALSE(icon.isEmpty()) << "the late tray host got no icon\n" << program.log();

    ASSERT_TRUE(restore(window));
    ASSERT_TRUE(desktop->close(window));
    ASSERT_TRUE(waitUntilVisible(kMainWindow, false));
    ASSERT_TRUE(desktop->click(icon, 1));
    EXPECT_TRUE(waitUntilVisible(kMainWindow, true)) << "closing ended the program";
    EXPECT_TRUE(program.running());
}

// The mixer's own port wired by hand to the dump, with "Close MIDI Device if Minimized": the
// window manager's minimise closes the device and its restore opens it again, and neither cuts
// the wire nor sends anything of its own.
class DesktopOwnPort : public Desktop {
protected:
    static constexpr const char* kOwnPort = "Sonexa Vireo Mixer:Sonexa Vireo Mixer";
    // Long enough for a message sent by mistake to show up, to tell that none comes.
    static constexpr auto kQuiet = 1500ms;
    // The client area's height under the menu bar, with the MIDI CONTROL panel folded.
    static constexpr int kClientHeight = 288;

    static xg::MixerState Evening() {
        xg::MixerState state;
        state.volume = 100;
        state.midiReverb = 40;
        state.reverb = 20;
        state.dry = 80;
        state.reverbEffect = xg::Hall2();
        state.variationEffect = xg::Vocal();
        return state;
    }

    bool wired() const {
        const std::vector<std::string> connections = PortConnections(kOwnPort);
        return std::find(connections.begin(), connections.end(), dump->port()) != connections.end();
    }

    // The Reset button at 285, 232 (75 x 25) of the client area.
    void clickReset(const QString& window) const {
        const auto size = desktop->clientSize(window);
        ASSERT_TRUE(size.has_value());
        ASSERT_TRUE(
            desktop->clickAt(window, QPoint(285 + 37, size->height() - kClientHeight + 244), 1));
    }

    void expectReceived(std::size_t from, const xg::Messages& expected) const {
        ExpectReceived(*dump, from, expected, kLimit);
    }

    bool staysAt(std::size_t count) const { return StaysAt(*dump, count, kQuiet); }
};

TEST_F(DesktopOwnPort, MinimiseAndRestoreKeepTheWireAndTheNextMessagesArrive) {
    home.writePreferences("MIDI Mapper", {}, {"\"Close MIDI Device if Minimized\"=dword:00000001"});
    const xg::MixerState state = Evening();
    MixerProgram& program = startMixer({home.writeSettingsFile("Evening.mix", state.FileText())});
    const QString window = desktop->waitForManagedWindow(kMainWindow, kLimit);
    ASSERT_FALSE(window.isEmpty()) << program.log();
    ASSERT_TRUE(restore(window));
    ASSERT_TRUE(ConnectPorts(kOwnPort, dump->port(), kLimit));
    // A synthesizer newly wired gets the window's whole state, ending with the lock's message.
    const xg::Messages whole = xg::Load(state, true);
    ASSERT_NO_FATAL_FAILURE(expectReceived(0, whole));

    ASSERT_TRUE(desktop->minimise(window));
    ASSERT_TRUE(WaitUntil([&] { return desktop->wmState(window) == "Iconic"; }, kLimit));
    EXPECT_TRUE(staysAt(whole.size())) << "minimising sent messages";
    EXPECT_TRUE(wired()) << "minimising cut the wire";

    ASSERT_TRUE(restore(window));
    EXPECT_TRUE(staysAt(whole.size())) << "restoring sent messages";
    EXPECT_TRUE(wired()) << "restoring lost the wire";
    ASSERT_NO_FATAL_FAILURE(clickReset(window));
    expectReceived(whole.size(), xg::Concat(xg::Initialization(), xg::CurrentSettings(state)));
    EXPECT_TRUE(program.running());
}

} // namespace
} // namespace vireo::test
