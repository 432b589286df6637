// The real program on a private display and a private JACK server with its device on the
// mapper, the program's own port: what jack_midi_dump receives when the port is wired by hand,
// across Preferences and the device switch, and after a restart that makes the remembered
// wires again.
#include "JackPortProbe.h"
#include "JackTestProcesses.h"
#include "program/MixerUnderTest.h"
#include "program/VirtualDisplay.h"
#include "program/XgMessages.h"

#include <gtest/gtest.h>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kLimit = 30s;
// Long enough for a message sent by mistake to show up, to tell that none comes.
constexpr auto kQuiet = 1500ms;
constexpr int kClientHeight = 288;
constexpr const char* kOwnPort = "Sonexa Vireo Mixer:Sonexa Vireo Mixer";
const QString kCloseWhenMinimized = "\"Close MIDI Device if Minimized\"=dword:00000001";

xg::MixerState Evening(bool lock) {
    xg::MixerState state;
    state.volume = 100;
    state.midiVolume = 90;
    state.midiReverb = 40;
    state.midiChorus = 30;
    state.adVolume = 110;
    state.reverb = 20;
    state.chorus = 10;
    state.variation = 5;
    state.dry = 80;
    state.reverbEffect = xg::Hall2();
    state.chorusEffect = xg::Chorus4();
    state.variationEffect = xg::Vocal();
    state.lock = lock;
    return state;
}

// The window's whole state: a load of it, ending with the lock box's message in any case.
xg::Messages WholeState(const xg::MixerState& state) {
    return xg::Load(state, !state.lock);
}

xg::Messages Concat(xg::Messages first, const xg::Messages& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

class OwnPortProgram : public testing::Test {
protected:
    void SetUp() override {
        if (!PrivateJackServer::Installed())
            GTEST_SKIP() << "jackd or jack_midi_dump is not installed: no MIDI port to drive";
        if (!VirtualDisplay::Installed())
            GTEST_SKIP() << "Xvfb or xdotool is not installed: no display to drive the window on";
        server = std::make_unique<PrivateJackServer>();
        ASSERT_TRUE(server->running()) << server->startError();
        display = std::make_unique<VirtualDisplay>();
        ASSERT_TRUE(display->running()) << display->startError();
        ASSERT_TRUE(home.valid());
    }

    void TearDown() override {
        programs.clear();
        server.reset();
        dumps.clear();
        display.reset();
    }

    MidiDump* startDump(const std::string& name) {
        dumps.push_back(std::make_unique<MidiDump>(name));
        MidiDump* dump = dumps.back().get();
        EXPECT_TRUE(dump->started()) << "jack_midi_dump " << name << " did not start";
        EXPECT_TRUE(WaitForActiveMidiInput(dump->port(), kLimit))
            << dump->port() << " never took a connection";
        return dump;
    }

    // Starts the mixer on the mapper with `state` saved as `name`.mix; its window.
    QString startOn(const xg::MixerState& state, const QString& name) {
        const QString file = home.writeSettingsFile(name + ".mix", state.FileText());
        programs.push_back(
            std::make_unique<MixerProgram>(home, display->name(), QStringList{file}));
        EXPECT_TRUE(programs.back()->started()) << "the mixer did not start";
        const QString window = display->waitForWindow("^Sonexa Vireo Mixer - " + name, kLimit);
        EXPECT_FALSE(window.isEmpty()) << "no window:\n" << programs.back()->log();
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

    static void expectReceived(MidiDump& dump, std::size_t from, const xg::Messages& expected) {
        const bool all = dump.waitForMessages(from + expected.size(), kLimit);
        const std::vector<MidiDump::Message>& received = dump.messages();
        const xg::Messages tail(received.begin() + std::min(from, received.size()), received.end());
        EXPECT_TRUE(all) << "received " << tail.size() << " of " << expected.size();
        EXPECT_EQ(xg::Hex(tail), xg::Hex(expected));
    }

    static bool staysAt(MidiDump& dump, std::size_t count) {
        return !WaitUntil([&] { return dump.messages().size() > count; }, kQuiet);
    }

    std::unique_ptr<PrivateJackServer> server;
    std::vector<std::unique_ptr<MidiDump>> dumps;
    std::unique_ptr<VirtualDisplay> display;
    MixerHome home;
    std::vector<std::unique_ptr<MixerProgram>> programs;
};

TEST_F(OwnPortProgram, AWireMadeByHandGetsTheWholeStateOnce) {
    MidiDump* synth = startDump("synth");
    home.writePreferences("MIDI Mapper");
    const xg::MixerState state = Evening(true);
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
    const xg::MixerState state = Evening(false);
    const QString window = startOn(state, "Evening");
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(ConnectPorts(kOwnPort, synth->port(), kLimit));
    const xg::Messages whole = WholeState(state);
    ASSERT_NO_FATAL_FAILURE(expectReceived(*synth, 0, whole));

    ASSERT_NO_FATAL_FAILURE(preferences(window, "Escape"));
    EXPECT_TRUE(staysAt(*synth, whole.size())) << "Cancel sent messages";
    ASSERT_NO_FATAL_FAILURE(preferences(window, "Return"));
    const xg::Messages settings = Concat(xg::Initialization(), xg::CurrentSettings(state));
    expectReceived(*synth, whole.size(), settings);

    // The Reset button at 285, 232 (75 x 25).
    ASSERT_NO_FATAL_FAILURE(clickClient(window, 285 + 37, 232 + 12));
    expectReceived(*synth, whole.size() + settings.size(), settings);
}

TEST_F(OwnPortProgram, ARestartWiresTheRememberedPortBeforeItsLoad) {
    MidiDump* synth = startDump("Midi Through [14]");
    home.writePreferences("MIDI Mapper");
    ASSERT_FALSE(startOn(Evening(false), "Evening").isEmpty());
    ASSERT_TRUE(ConnectPorts(kOwnPort, synth->port(), kLimit));
    ASSERT_TRUE(synth->waitForMessages(1, kLimit));
    ASSERT_NO_FATAL_FAILURE(endMixer());
    // Stored without the bridge's client id, which changes from session to session.
    EXPECT_EQ(home.userString("Mapper Connections"), "Midi Through:input");

    synth->kill();
    MidiDump* again = startDump("Midi Through [20]");
    const xg::MixerState state = Evening(true);
    ASSERT_FALSE(startOn(state, "Night").isEmpty());
    expectReceived(*again, 0, xg::Load(state, false));
    EXPECT_TRUE(staysAt(*again, again->messages().size())) << "more came after the load";
}

TEST_F(OwnPortProgram, ARememberedPortThatAppearsAfterTheStartGetsTheWholeState) {
    MidiDump* synth = startDump("synth");
    home.writePreferences("MIDI Mapper");
    ASSERT_FALSE(startOn(Evening(false), "Evening").isEmpty());
    ASSERT_TRUE(ConnectPorts(kOwnPort, synth->port(), kLimit));
    ASSERT_TRUE(synth->waitForMessages(1, kLimit));
    ASSERT_NO_FATAL_FAILURE(endMixer());
    synth->kill();
    startDump("other"); // the program starts only with some MIDI output there

    const xg::MixerState state = Evening(true);
    ASSERT_FALSE(startOn(state, "Night").isEmpty());
    MidiDump* late = startDump("synth");
    expectReceived(*late, 0, WholeState(state));
    EXPECT_TRUE(staysAt(*late, late->messages().size())) << "the state came more than once";
}

TEST_F(OwnPortProgram, ClosingWhenMinimizedLosesNoneOfTheLoadAndTheSwitchKeepsTheWire) {
    MidiDump* synth = startDump("synth");
    home.writePreferences("MIDI Mapper", {"\"Mapper Connections\"=\"synth:input\""},
                          {kCloseWhenMinimized});
    const xg::MixerState state = Evening(false);
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
    expectReceived(*synth, load.size(), Concat(xg::Initialization(), xg::CurrentSettings(state)));
}

} // namespace
} // namespace vireo::test
