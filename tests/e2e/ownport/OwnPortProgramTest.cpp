// The real program on a private display and a private JACK server with its device on the
// mapper, the program's own port: what jack_midi_dump receives when the port is wired by hand,
// across Preferences and the device switch, and after a restart that makes the remembered
// wires again.
#include "JackTestProcesses.h"
#include "program/ProgramFixture.h"
#include "program/XgMessages.h"

#include <gtest/gtest.h>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

constexpr int kClientHeight = 288;
constexpr const char* kOwnPort = "Sonexa Vireo Mixer:Sonexa Vireo Mixer";
const QString kCloseWhenMinimized = "\"Close MIDI Device if Minimized\"=dword:00000001";

// The window's whole state: a load of it, ending with the lock box's message in any case.
xg::Messages WholeState(const xg::MixerState& state) {
    return xg::Load(state, !state.lock);
}

class OwnPortProgram : public ProgramFixture {
protected:
    // Starts the mixer on the mapper with `state` saved as `name`.mix; its window.
    QString startOn(const xg::MixerState& state, const QString& name) {
        const QString file = home.writeSettingsFile(name + ".mix", state.FileText());
        MixerProgram& program = startMixer({file});
        const QString window = display->waitForWindow("^Sonexa Vireo Mixer - " + name, kLimit);
        EXPECT_FALSE(window.isEmpty()) << "no window:\n" << program.log();
        return window;
    }

    // Ends the running mixer the way Exit does.
    void endMixer() {
        MixerProgram& program = *programs.back();
        program.terminate();
        ASSERT_TRUE(program.waitForExit(kLimit));
        EXPECT_EQ(program.exitCode(), 0) << program.log();
    }

    void clickClient(const QString& window, int x, int y) const {
        const auto frame = display->geometry(window);
        ASSERT_TRUE(frame.has_value());
        ASSERT_TRUE(display->click(window, x, frame->height() - kClientHeight + y));
    }

    void preferences(const QString& window, const QString& closingKey) const {
        ASSERT_TRUE(display->focus(window));
        ASSERT_TRUE(display->keys({"alt+o", "p"}));
        const QString dialog = display->waitForWindow("^Preferences", kLimit);
        ASSERT_FALSE(dialog.isEmpty()) << "the Preferences dialog did not open";
        ASSERT_TRUE(display->focus(dialog));
        ASSERT_TRUE(display->keys({closingKey}));
        ASSERT_TRUE(display->waitUntilGone("^Preferences", kLimit));
    }
};

TEST_F(OwnPortProgram, AWireMadeByHandGetsTheWholeStateOnce) {
    MidiDump* synth = startDump("synth");
    home.writePreferences("MIDI Mapper");
    const xg::MixerState state = xg::SampleState(true);
    ASSERT_FALSE(startOn(state, "Evening").isEmpty());
    EXPECT_TRUE(staysAt(*synth, 0)) << "the unwired port reached the synthesizer";

    ASSERT_TRUE(ConnectPorts(kOwnPort, synth->port(), kLimit));
    expectReceived(*synth, 0, WholeState(state));
    EXPECT_TRUE(staysAt(*synth, synth->messages().size())) << "the state came more than once";
    EXPECT_EQ(home.userString("Mapper Connections"), QString::fromStdString(synth->port()));
}

TEST_F(OwnPortProgram, TheWireOutlivesPreferencesAndTheNextMessagesArrive) {
    MidiDump* synth = startDump("synth");
    home.writePreferences("MIDI Mapper");
    const xg::MixerState state = xg::SampleState(false);
    const QString window = startOn(state, "Evening");
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(ConnectPorts(kOwnPort, synth->port(), kLimit));
    const xg::Messages whole = WholeState(state);
    ASSERT_NO_FATAL_FAILURE(expectReceived(*synth, 0, whole));

    ASSERT_NO_FATAL_FAILURE(preferences(window, "Escape"));
    EXPECT_TRUE(staysAt(*synth, whole.size())) << "Cancel sent messages";
    ASSERT_NO_FATAL_FAILURE(preferences(window, "Return"));
    const xg::Messages settings = xg::Concat(xg::Initialization(), xg::CurrentSettings(state));
    expectReceived(*synth, whole.size(), settings);

    // The Reset button at 285, 232 (75 x 25).
    ASSERT_NO_FATAL_FAILURE(clickClient(window, 285 + 37, 232 + 12));
    expectReceived(*synth, whole.size() + settings.size(), settings);
}

TEST_F(OwnPortProgram, ARestartWiresTheRememberedPortBeforeItsLoad) {
    MidiDump* synth = startDump("Midi Through [14]");
    home.writePreferences("MIDI Mapper");
    ASSERT_FALSE(startOn(xg::SampleState(false), "Evening").isEmpty());
    ASSERT_TRUE(ConnectPorts(kOwnPort, synth->port(), kLimit));
    ASSERT_TRUE(synth->waitForMessages(1, kLimit));
    ASSERT_NO_FATAL_FAILURE(endMixer());
    // Stored without the bridge's client id, which changes from session to session.
    EXPECT_EQ(home.userString("Mapper Connections"), "Midi Through:input");

    synth->kill();
    MidiDump* again = startDump("Midi Through [20]");
    const xg::MixerState state = xg::SampleState(true);
    ASSERT_FALSE(startOn(state, "Night").isEmpty());
    expectReceived(*again, 0, xg::Load(state, false));
    EXPECT_TRUE(staysAt(*again, again->messages().size())) << "more came after the load";
}

TEST_F(OwnPortProgram, ARememberedPortThatAppearsAfterTheStartGetsTheWholeState) {
    MidiDump* synth = startDump("synth");
    home.writePreferences("MIDI Mapper");
    ASSERT_FALSE(startOn(xg::SampleState(false), "Evening").isEmpty());
    ASSERT_TRUE(ConnectPorts(kOwnPort, synth->port(), kLimit));
    ASSERT_TRUE(synth->waitForMessages(1, kLimit));
    ASSERT_NO_FATAL_FAILURE(endMixer());
    synth->kill();
    startDump("other"); // the program starts only with some MIDI output there

    const xg::MixerState state = xg::SampleState(true);
    ASSERT_FALSE(startOn(state, "Night").isEmpty());
    MidiDump* late = startDump("synth");
    expectReceived(*late, 0, WholeState(state));
    EXPECT_TRUE(staysAt(*late, late->messages().size())) << "the state came more than once";
}

TEST_F(OwnPortProgram, ClosingWhenMinimizedLosesNoneOfTheLoadAndTheSwitchKeepsTheWire) {
    MidiDump* synth = startDump("synth");
    home.writePreferences("MIDI Mapper", {"\"Mapper Connections\"=\"synth:input\""},
                          {kCloseWhenMinimized});
    const xg::MixerState state = xg::SampleState(false);
    const QString window = startOn(state, "Evening");
    ASSERT_FALSE(window.isEmpty());
    // Sent while the window is created, and the device closed at its end.
    const xg::Messages load = xg::Load(state, false);
    ASSERT_NO_FATAL_FAILURE(expectReceived(*synth, 0, load));

    // The device switch at 16, 236: off, then on again.
    ASSERT_NO_FATAL_FAILURE(clickClient(window, 16 + 8, 236 + 8));
    ASSERT_NO_FATAL_FAILURE(clickClient(window, 16 + 8, 236 + 8));
    EXPECT_TRUE(staysAt(*synth, load.size())) << "the switch sent messages";
    ASSERT_NO_FATAL_FAILURE(clickClient(window, 285 + 37, 232 + 12));
    expectReceived(*synth, load.size(),
                   xg::Concat(xg::Initialization(), xg::CurrentSettings(state)));
}

} // namespace
} // namespace vireo::test
