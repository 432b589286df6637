// The real program on a private X display and a private JACK server, driven by real key presses
// and clicks; what it sends is read from jack_midi_dump, the synthesizer's stand-in.
#include "ProgramFixture.h"
#include "XgMessages.h"

#include <functional>
#include <gtest/gtest.h>
#include <iostream>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

// The main window's client area below its menu bar is 288 pixels high.
constexpr int kClientHeight = 288;

// Extreme levels, so that data bytes 00 and 7F travel too.
xg::MixerState LateShow() {
    xg::MixerState state;
    state.volume = 64;
    state.midiVolume = 0;
    state.midiReverb = 127;
    state.midiChorus = 1;
    state.adVolume = 0;
    state.reverb = 127;
    state.chorus = 64;
    state.variation = 100;
    state.dry = 0;
    state.reverbEffect = xg::WhiteRoom();
    state.chorusEffect = xg::Flanger3();
    state.variationEffect = xg::Flash();
    state.lock = true;
    return state;
}

class ProgramEndToEnd : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        device = startDump("midi-monitor");
    }

    // The main window once its caption names the settings file `name`.
    QString waitForMainWindow(const QString& name) const {
        return display->waitForWindow("^Sonexa Vireo Mixer - " + name, kLimit);
    }

    // Starts the mixer on `state` saved as `name`.mix and waits for its window and its load.
    QString startLoaded(const xg::MixerState& state, const QString& name) {
        const QString file = home.writeSettingsFile(name + ".mix", state.FileText());
        MixerProgram& program = startMixer({file});
        const QString window = waitForMainWindow(name);
        EXPECT_FALSE(window.isEmpty()) << "no window for " << name.toStdString() << ":\n"
                                       << program.log();
        expectReceived(*device, 0, xg::Load(state, false));
        return window;
    }

    // Clicks at a point given in the client area's coordinates, below the menu bar.
    void clickClient(const QString& window, int x, int y) const {
        const auto frame = display->geometry(window);
        ASSERT_TRUE(frame.has_value());
        const int menuBar = frame->height() - kClientHeight;
        ASSERT_TRUE(display->click(window, x, menuBar + y));
    }

    void typeInto(const QString& window, const QStringList& keys) const {
        ASSERT_TRUE(display->focus(window));
        ASSERT_TRUE(display->keys(keys));
    }

    // Options > Preferences by the keyboard; the dialog's window, with the focus.
    QString openPreferences(const QString& window) const {
        typeInto(window, {"alt+o", "p"});
        const QString dialog = display->waitForWindow("^Preferences", kLimit);
        EXPECT_FALSE(dialog.isEmpty()) << "the Preferences dialog did not open";
        EXPECT_TRUE(display->focus(dialog));
        return dialog;
    }

    // Stops the server (SIGSTOP) under a loaded mixer, ends the mixer by `end`, and checks that
    // it ended at once all the same; the server goes on afterwards.
    void endWithAHungServer(const std::function<void(const QString& window)>& end) {
        writePreferences();
        const QString window = startLoaded(LateShow(), "Late Show");
        ASSERT_FALSE(window.isEmpty());
        MixerProgram& program = *programs.back();
        server->pause();
        const auto started = std::chrono::steady_clock::now();
        end(window);
        const bool ended = program.waitForExit(3s); // a hang check, not a measurement
        const auto took = std::chrono::steady_clock::now() - started;
        server->resume();
        ASSERT_TRUE(ended) << "the hung server held the end:\n" << program.log();
        EXPECT_EQ(program.exitCode(), 0) << program.log();
        std::cout << "ended with the server stopped in "
                  << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms\n";
    }

    // Preferences that open the first dump's port.
    void writePreferences(const QStringList& userLines = {}) const {
        home.writePreferences(device->port(), userLines);
    }

    MidiDump* device = nullptr;
};

TEST_F(ProgramEndToEnd, AStartWithAFileSendsTheWholeLoadInItsOrderAndNothingElse) {
    writePreferences();
    const xg::MixerState state = xg::SampleState(true);
    ASSERT_NO_FATAL_FAILURE(startLoaded(state, "Jazz Club"));
    // Initialisation, master volume, 3 x 16 channel controllers, A/D volume, dry, reverb type
    // and send, chorus type and send, the two Vocal preset steps and the variation send, Lock On.
    EXPECT_EQ(device->messages().size(), 8u + 1 + 48 + 2 + 2 + 3 + 3 + 4 + 1);
    EXPECT_TRUE(staysAt(*device, device->messages().size())) << "more came after the load";
}

TEST_F(ProgramEndToEnd, ASecondStartHandsItsFileToTheRunningMixerWhichLoadsIt) {
    writePreferences();
    MixerProgram& first = startMixer({});
    ASSERT_FALSE(waitForMainWindow("Default").isEmpty()) << first.log();
    // No "Default.mix" yet: every key at its default, the lock unchanged and so not sent.
    const xg::Messages defaults = xg::Load(xg::MixerState{}, false);
    ASSERT_NO_FATAL_FAILURE(expectReceived(*device, 0, defaults));

    const xg::MixerState state = LateShow();
    const QString file = home.writeSettingsFile("Late Show.mix", state.FileText());
    MixerProgram& second = startMixer({file, home.path() + "/ignored.mix"});
    ASSERT_TRUE(second.waitForExit(kLimit)) << "the second start did not end";
    EXPECT_EQ(second.exitCode(), 0) << second.log();

    expectReceived(*device, defaults.size(), xg::Load(state, false));
    EXPECT_FALSE(waitForMainWindow("Late Show").isEmpty());
    EXPECT_TRUE(first.running());
}

TEST_F(ProgramEndToEnd, TypingAndArrowKeysOnTheMasterVolumeSendExactlyItsMessages) {
    writePreferences();
    const QString window = startLoaded(xg::SampleState(true), "Jazz Club");
    ASSERT_FALSE(window.isEmpty());
    const std::size_t loaded = device->messages().size();

    // The MASTER panel stands at 8, 8; its field at 15, 151 (43 x 22, the arrows on its right).
    ASSERT_TRUE(display->focus(window));
    ASSERT_NO_FATAL_FAILURE(clickClient(window, 8 + 15 + 12, 8 + 151 + 11));
    // Typing over the selection sends every value shown (6, then 64); Up in the field steps
    // by one; Shift+Tab goes back to the slider, whose Up moves one step towards the top and
    // whose key release, the end of the movement, sends the same level once more.
    ASSERT_TRUE(display->keys({"ctrl+a", "6", "4", "Up", "shift+Tab", "Up"}));
    expectReceived(*device, loaded,
                   {xg::MasterVolume(6), xg::MasterVolume(64), xg::MasterVolume(65),
                    xg::MasterVolume(66), xg::MasterVolume(66)});
}

TEST_F(ProgramEndToEnd, ResetIsRefusedWhileLockedThenSendsTheInitialisationAndCurrentSettings) {
    writePreferences();
    xg::MixerState state = xg::SampleState(true);
    const QString window = startLoaded(state, "Jazz Club");
    ASSERT_FALSE(window.isEmpty());
    const std::size_t loaded = device->messages().size();

    // Alt+E finds the Reset button disabled by the lock; Alt+L then unlocks.
    ASSERT_NO_FATAL_FAILURE(typeInto(window, {"alt+e", "alt+l"}));
    ASSERT_NO_FATAL_FAILURE(expectReceived(*device, loaded, {xg::Lock(false)}));

    // The Reset button at 285, 232 (75 x 25).
    ASSERT_NO_FATAL_FAILURE(clickClient(window, 285 + 37, 232 + 12));
    state.lock = false;
    // The current settings end with Lock Off.
    expectReceived(*device, loaded + 1,
                   xg::Concat(xg::Initialization(), xg::CurrentSettings(state)));
}

TEST_F(ProgramEndToEnd, ExitFromTheFileMenuEndsWithCodeZeroStoresThePositionAndSendsNoMore) {
    writePreferences({"\"PosX\"=dword:0000002d", "\"PosY\"=dword:0000003c"});
    const QString window = startLoaded(xg::SampleState(true), "Jazz Club");
    ASSERT_FALSE(window.isEmpty());
    const std::size_t loaded = device->messages().size();
    const auto topLeft = [&] { return display->geometry(window).value_or(QRect()).topLeft(); };
    EXPECT_EQ(topLeft(), QPoint(45, 60)) << "the stored place was not used";

    ASSERT_TRUE(display->move(window, 120, 90));
    ASSERT_TRUE(WaitUntil([&] { return topLeft() == QPoint(120, 90); }, kLimit));
    ASSERT_NO_FATAL_FAILURE(typeInto(window, {"alt+f", "x"}));
    MixerProgram& program = *programs.back();
    ASSERT_TRUE(program.waitForExit(kLimit)) << "Exit did not end the program";
    EXPECT_EQ(program.exitCode(), 0) << program.log();
    EXPECT_EQ(home.userInteger("PosX"), 120);
    EXPECT_EQ(home.userInteger("PosY"), 90);
    EXPECT_TRUE(staysAt(*device, loaded)) << "messages went out on Exit";
}

TEST_F(ProgramEndToEnd, TerminationEndsTheProgramTheWayExitDoes) {
    writePreferences();
    const QString window = startLoaded(LateShow(), "Late Show");
    ASSERT_FALSE(window.isEmpty());
    const std::size_t loaded = device->messages().size();
    const auto place = display->geometry(window);
    ASSERT_TRUE(place.has_value());

    MixerProgram& program = *programs.back();
    program.terminate();
    ASSERT_TRUE(program.waitForExit(kLimit)) << "SIGTERM did not end the program";
    EXPECT_EQ(program.exitCode(), 0) << program.log();
    EXPECT_EQ(home.userInteger("PosX"), place->x());
    EXPECT_EQ(home.userInteger("PosY"), place->y());
    EXPECT_TRUE(staysAt(*device, loaded)) << "messages went out on termination";
}

TEST_F(ProgramEndToEnd, AHungServerDoesNotHoldExit) {
    endWithAHungServer([this](const QString& window) { typeInto(window, {"alt+f", "x"}); });
}

TEST_F(ProgramEndToEnd, AHungServerDoesNotHoldTermination) {
    endWithAHungServer([this](const QString&) { programs.back()->terminate(); });
}

TEST_F(ProgramEndToEnd, PreferencesOkMovesTheMixerToTheChosenDeviceAndSendsTheStateThere) {
    MidiDump* second = nullptr;
    ASSERT_NO_FATAL_FAILURE(second = startDump("second-monitor"));
    writePreferences();
    const xg::MixerState state = xg::SampleState(true);
    const QString window = startLoaded(state, "Jazz Club");
    ASSERT_FALSE(window.isEmpty());
    const std::size_t loaded = device->messages().size();

    // Cancel sends nothing to either device.
    ASSERT_FALSE(openPreferences(window).isEmpty());
    ASSERT_TRUE(display->keys({"Escape"}));
    ASSERT_TRUE(display->waitUntilGone("^Preferences", kLimit));

    // The list holds "MIDI Mapper", then the two dumps' ports; typing picks by first letter.
    ASSERT_FALSE(openPreferences(window).isEmpty());
    ASSERT_TRUE(display->keys({"s", "Return"}));
    ASSERT_TRUE(display->waitUntilGone("^Preferences", kLimit));

    expectReceived(*second, 0, xg::Concat(xg::Initialization(), xg::CurrentSettings(state)));
    EXPECT_TRUE(staysAt(*device, loaded)) << "the first device still received messages";
    EXPECT_EQ(home.userString("DeviceName"), QString::fromStdString(second->port()));
}

// A locked state: the whole state (initialisation, every control, Lock On) is its load.
TEST_F(ProgramEndToEnd, TheChosenDeviceRestartedUnderItsNameGetsTheWholeStateByItself) {
    writePreferences();
    const xg::MixerState state = xg::SampleState(true);
    ASSERT_FALSE(startLoaded(state, "Jazz Club").isEmpty());
    device->kill();
    MidiDump* again = startDump("midi-monitor");
    expectReceived(*again, 0, xg::Load(state, false));
    EXPECT_TRUE(staysAt(*again, again->messages().size())) << "more than one send";
    EXPECT_EQ(home.userString("DeviceName"), QString::fromStdString(again->port()));
}

TEST_F(ProgramEndToEnd, ARecordedDeviceMissingAtTheStartIsTakenUpWhenItAppears) {
    home.writePreferences("late-synth:input");
    const xg::MixerState state = xg::SampleState(true);
    MixerProgram& program = startMixer({home.writeSettingsFile("Jazz Club.mix", state.FileText())});
    ASSERT_FALSE(waitForMainWindow("Jazz Club").isEmpty()) << program.log();
    MidiDump* late = startDump("late-synth");
    expectReceived(*late, 0, xg::Load(state, false));
    EXPECT_TRUE(staysAt(*late, late->messages().size())) << "more than one send";
    EXPECT_TRUE(device->messages().empty()) << "a device nobody chose received messages";
    EXPECT_EQ(home.userString("DeviceName"), QString::fromStdString(late->port()));
}

} // namespace
} // namespace vireo::test
