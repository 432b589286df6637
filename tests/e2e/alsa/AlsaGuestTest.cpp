// The real program against a real kernel sequencer: run inside the guest that
// scripts/alsa-vm boots, with snd-seq-dummy loaded (the "SequencerOnly" suite) and then
// snd-virmidi as well (every other suite). aseqdump is the synthesizer's stand-in and aconnect
// the patchbay; the window runs on Xvfb and is driven with xdotool.
#include "JackTestProcesses.h"
#include "MixerUnderTest.h"
#include "SequencerDump.h"
#include "VirtualDisplay.h"
#include "XgMessages.h"
#include "midi/MidiResult.h"
#include "midi/SystemMidiService.h"
#include "platform/MixerDevices.h"
#include "platform/StringTable.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <thread>

namespace vireo::test {
namespace {

using namespace std::chrono_literals;

// Everything runs emulated in the guest: waits are long, never a measure of speed.
constexpr auto kLimit = 60s;
constexpr auto kDumpName = "aseqdump";

// The sample state with data bytes 00 and 7F among its levels.
xg::MixerState Evening() {
    xg::MixerState state = xg::SampleState(true);
    state.midiChorus = 0;
    state.reverb = 127;
    state.dry = 0;
    return state;
}

// The lines of the program's log that are exactly `text`.
int LinesEqualTo(const std::string& log, const std::string& text) {
    int count = 0;
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        count += log.compare(start, end - start, text) == 0 ? 1 : 0;
        start = end + 1;
    }
    return count;
}

std::string ErrorText(MidiResult code) {
    return StandardMidiErrorText(code).value_or("?");
}

// How many times `message` occurs in `messages` from `from` on.
std::size_t Count(const xg::Messages& messages, const xg::Message& message, std::size_t from = 0) {
    return from >= messages.size() ? 0
                                   : std::size_t(std::count(messages.begin() + std::ptrdiff_t(from),
                                                            messages.end(), message));
}

// Each thread of process `pid` and the times it has given up the processor to wait.
std::map<QString, long long> Waits(qint64 pid) {
    std::map<QString, long long> waits;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks + "/" + tid + "/status");
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                waits[tid] = line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return waits;
}

// How often the threads of `pid` woke between the two readings; a new thread counts whole.
long long WakeUpsBetween(const std::map<QString, long long>& before,
                         const std::map<QString, long long>& after) {
    long long wakeUps = 0;
    for (const auto& [tid, waits] : after) {
        const auto earlier = before.find(tid);
        wakeUps += waits - (earlier == before.end() ? 0 : earlier->second);
    }
    return wakeUps;
}

// A display, a home and a receiver for each test; the mixers it starts end first.
class AlsaProgram : public testing::Test {
protected:
    void SetUp() override {
        display = std::make_unique<VirtualDisplay>();
        ASSERT_TRUE(display->running()) << display->startError();
        ASSERT_TRUE(home.valid());
    }

    void TearDown() override {
        programs.clear();
        dumps.clear();
        display.reset();
    }

    SequencerDump& startDump() {
        dumps.push_back(std::make_unique<SequencerDump>());
        SequencerDump& dump = *dumps.back();
        EXPECT_TRUE(dump.started()) << "aseqdump did not start";
        EXPECT_FALSE(dump.address(kLimit).isEmpty()) << "aseqdump's port never appeared";
        return dump;
    }

    MixerProgram& startMixer(const QStringList& arguments) {
        programs.push_back(std::make_unique<MixerProgram>(home, display->name(), arguments));
        EXPECT_TRUE(programs.back()->started()) << "the mixer did not start";
        return *programs.back();
    }

    QString waitForMainWindow(const QString& name) const {
        return display->waitForWindow("^Sonexa Vireo Mixer - " + name, kLimit);
    }

    // Starts the mixer on `name`.mix at master volume `volume` with the refresh on every
    // 100 ms; `window` is its main window once five ticks have reached `dump`.
    void startRefreshing(SequencerDump& dump, int volume, const QString& name, QString& window) {
        home.writePreferences(kDumpName, {"\"Periodic Delay\"=dword:00000064"});
        xg::MixerState state;
        state.volume = volume;
        std::string text = state.FileText();
        text.replace(text.find("Periodic Refresh=0"), 18, "Periodic Refresh=1");
        MixerProgram& program = startMixer({home.writeSettingsFile(name + ".mix", text)});
        window = waitForMainWindow(name);
        ASSERT_FALSE(window.isEmpty()) << program.log();
        const xg::Message tick = xg::MasterVolume(volume);
        ASSERT_TRUE(WaitUntil([&] { return Count(dump.messages(), tick) >= 5; }, kLimit))
            << "the refresh never reached aseqdump: " << program.log();
    }

    // Opens Preferences from the main window's menu and answers it with `key`.
    void preferences(const QString& window, const QString& key) const {
        ASSERT_TRUE(display->focus(window));
        ASSERT_TRUE(display->keys({"alt+o", "p"})); // &Options, &Preferences...
        const QString dialog = display->waitForWindow("^Preferences", kLimit);
        ASSERT_FALSE(dialog.isEmpty()) << "no Preferences dialog";
        ASSERT_TRUE(display->focus(dialog));
        ASSERT_TRUE(display->keys({key}));
        ASSERT_TRUE(display->waitUntilGone("^Preferences", kLimit));
    }

    // Answers the error box (captioned with the application title alone).
    void closeErrorBox() const {
        const QString box = display->waitForWindow("^Sonexa Vireo Mixer$", kLimit);
        ASSERT_FALSE(box.isEmpty()) << "no error box";
        ASSERT_TRUE(display->focus(box));
        ASSERT_TRUE(display->keys({"Return"}));
        ASSERT_TRUE(display->waitUntilGone("^Sonexa Vireo Mixer$", kLimit));
    }

    MixerHome home;
    std::unique_ptr<VirtualDisplay> display;
    std::vector<std::unique_ptr<SequencerDump>> dumps;
    std::vector<std::unique_ptr<MixerProgram>> programs;
};

// Only the sequencer's own ports (snd-seq-dummy), no sound card.
TEST(SequencerOnly, TheStartUpCheckCountsTheThroughPortAndNoMixerAndRefusesToStart) {
    SystemMidiService service;
    const unsigned outputs = service.deviceCount();
    const int mixers = MixerDeviceCount();
    std::cout << "hardware check on the bare sequencer: " << outputs << " MIDI output(s), "
              << mixers << " mixer device(s)\n";
    ASSERT_EQ(outputs, 1u);
    std::string name;
    EXPECT_EQ(service.productName(0, name), MidiError::NoError);
    EXPECT_EQ(name, "Midi Through:Midi Through Port-0");
    EXPECT_EQ(mixers, 0);

    QProcess program;
    program.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    program.start(VIREO_MIXER_PROGRAM, {});
    ASSERT_TRUE(program.waitForStarted(10000));
    const std::string refusal = LoadStr(IDS_HARDWARE_MISSING);
    std::string errors;
    for (auto end = std::chrono::steady_clock::now() + kLimit;
         errors.find(refusal) == std::string::npos && std::chrono::steady_clock::now() < end;) {
        program.waitForReadyRead(500);
        errors += program.readAllStandardError().toStdString();
    }
    EXPECT_NE(errors.find(refusal), std::string::npos) << "stderr: " << errors;
    program.kill();
    program.waitForFinished(10000);
}

using AlsaStartUpLoad = AlsaProgram;

TEST_F(AlsaStartUpLoad, ReachesANamedPortByteForByteAndInOrder) {
    SequencerDump& dump = startDump();
    home.writePreferences(kDumpName);
    const xg::MixerState state = Evening();
    const QString file = home.writeSettingsFile("evening.mix", state.FileText());
    MixerProgram& program = startMixer({file});
    ASSERT_FALSE(waitForMainWindow("evening").isEmpty()) << program.log();
    const xg::Messages expected = xg::Load(state, false);
    dump.waitForMessages(expected.size(), kLimit);
    std::this_thread::sleep_for(1s); // anything sent by mistake shows up too
    EXPECT_EQ(xg::Hex(dump.messages()), xg::Hex(expected));
    std::cout << "start-up load: " << expected.size() << " messages checked\n";
    EXPECT_EQ(LinesEqualTo(program.log(), ErrorText(MidiError::NoDevice)), 0) << program.log();
}

// With its device on the sequencer and nothing to do, no thread of the program runs: it holds
// no JACK client, whose process thread would wake every period.
using AlsaIdle = AlsaProgram;

TEST_F(AlsaIdle, NoThreadOfTheProgramWakesWhileNothingHappens) {
    SequencerDump& dump = startDump();
    home.writePreferences(kDumpName);
    const xg::MixerState state = Evening();
    MixerProgram& program = startMixer({home.writeSettingsFile("idle.mix", state.FileText())});
    ASSERT_FALSE(waitForMainWindow("idle").isEmpty()) << program.log();
    ASSERT_TRUE(dump.waitForMessages(xg::Load(state, false).size(), kLimit));
    std::this_thread::sleep_for(2s);
    const auto before = Waits(program.processId());
    std::this_thread::sleep_for(10s);
    const long long wakeUps = WakeUpsBetween(before, Waits(program.processId()));
    std::cout << "idle on the sequencer: " << wakeUps << " wake-ups in 10 s, " << before.size()
              << " threads\n";
    EXPECT_EQ(wakeUps, 0);
}

// A receiver that goes away while the refresh sends to it every 100 ms.
using AlsaDeviceLoss = AlsaProgram;

TEST_F(AlsaDeviceLoss, IsReportedOnceAndTheDeviceIsFoundAgainByPreferencesOk) {
    SequencerDump& first = startDump();
    QString window;
    ASSERT_NO_FATAL_FAILURE(startRefreshing(first, 100, "refresh", window));
    MixerProgram& program = *programs.back();
    const xg::Message tick = xg::MasterVolume(100);

    first.kill();
    std::this_thread::sleep_for(3s); // thirty refresh periods
    const std::string lost = ErrorText(MidiError::NoDevice);
    ASSERT_TRUE(WaitUntil([&] { return LinesEqualTo(program.log(), lost) >= 1; }, kLimit))
        << "the loss was never reported: " << program.log();
    EXPECT_EQ(LinesEqualTo(program.log(), lost), 1) << program.log();
    ASSERT_TRUE(program.running());
    ASSERT_NO_FATAL_FAILURE(closeErrorBox());

    SequencerDump& second = startDump();
    ASSERT_NO_FATAL_FAILURE(preferences(window, "Return"));
    EXPECT_TRUE(WaitUntil([&] { return Count(second.messages(), tick) >= 3; }, kLimit))
        << "the refresh did not reach the port that came back: " << program.log();
    EXPECT_EQ(LinesEqualTo(program.log(), lost), 1) << program.log();
}

// A receiver that stops reading while the refresh sends to it every 100 ms.
using AlsaStalledDevice = AlsaProgram;

TEST_F(AlsaStalledDevice, FailsAtOnceWithoutHangingTheWindowAndKeepsNoBacklog) {
    SequencerDump& dump = startDump();
    QString window;
    ASSERT_NO_FATAL_FAILURE(startRefreshing(dump, 90, "stall", window));
    MixerProgram& program = *programs.back();
    const xg::Message tick = xg::MasterVolume(90);

    dump.pause();
    const std::size_t before = dump.messages().size();
    const std::string busy = ErrorText(MidiError::NotReady);
    ASSERT_TRUE(WaitUntil([&] { return LinesEqualTo(program.log(), busy) >= 1; }, kLimit))
        << "sends to a receiver that stopped reading never failed: " << program.log();
    // The window thread is free: it shows the report and the box answers the keyboard.
    ASSERT_NO_FATAL_FAILURE(closeErrorBox());
    std::this_thread::sleep_for(3s); // the refresh goes on trying, thirty times

    // Once the receiver reads again, what waited for it arrives with the ticks sent since; a
    // backlog of the failed ticks would come on top. A tick comes at most every 100 ms, so
    // the time taken bounds how many may arrive, however slowly this machine runs.
    const auto resumed = std::chrono::steady_clock::now();
    dump.resume();
    std::this_thread::sleep_for(2s);
    const xg::Messages received = dump.messages();
    const std::size_t arrived = received.size() - before;
    const auto elapsed = std::chrono::steady_clock::now() - resumed;
    const std::size_t ticksSince = std::size_t(elapsed / 90ms) + 2;
    std::cout << "stalled receiver: " << arrived << " message(s) arrived in the "
              << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()
              << " ms after it read again\n";
    EXPECT_LE(arrived, ticksSince + 10) << "a backlog built up behind the stalled receiver";
    EXPECT_EQ(Count(received, tick, before), arrived) << "something else arrived";
    EXPECT_TRUE(
        WaitUntil([&] { return Count(dump.messages(), tick, before) >= arrived + 3; }, kLimit))
        << "the refresh did not resume once the receiver read again: " << program.log();

    program.terminate();
    ASSERT_TRUE(program.waitForExit(kLimit)) << "the mixer did not end: " << program.log();
    EXPECT_EQ(program.exitCode(), 0);
}

// The mixer's own port (device -1, "MIDI Mapper"), which the user wires with the patchbay.
class AlsaOwnPort : public AlsaProgram {
protected:
    static constexpr auto kOwnPort = "Sonexa Vireo Mixer:0";

    // Starts the mixer on the own port with `state` loaded, once its port is listed.
    QString startOnOwnPort(const xg::MixerState& state) {
        home.writePreferences("MIDI Mapper");
        file = home.writeSettingsFile("own.mix", state.FileText());
        MixerProgram& program = startMixer({file});
        const QString window = waitForMainWindow("own");
        EXPECT_FALSE(window.isEmpty()) << program.log();
        EXPECT_TRUE(WaitForSequencerPort("Sonexa Vireo Mixer", kLimit)) << SequencerListing();
        return window;
    }

    // What arrives from now on when a second start hands the settings file over: a whole
    // load of the state the window already shows.
    void expectHandOffLoad(SequencerDump& dump, const xg::MixerState& state) {
        std::this_thread::sleep_for(2s); // whatever the wiring brought has arrived
        const std::size_t before = dump.messages().size();
        MixerProgram& second = startMixer({file});
        EXPECT_TRUE(second.waitForExit(kLimit)) << "the second start did not end";
        const xg::Messages expected = xg::Load(state, state.lock);
        dump.waitForMessages(before + expected.size(), kLimit);
        std::this_thread::sleep_for(1s);
        const xg::Messages all = dump.messages();
        EXPECT_EQ(xg::Hex(xg::Messages(all.begin() + std::ptrdiff_t(std::min(before, all.size())),
                                       all.end())),
                  xg::Hex(expected));
    }

    QString file;
};

// Whether the listing shows the own port connected to `address`.
bool OwnPortWiredTo(const QString& address) {
    const std::string listing = SequencerListing();
    const std::size_t client = listing.find("'Sonexa Vireo Mixer'");
    if (client == std::string::npos)
        return false;
    const std::size_t next = listing.find("\nclient ", client);
    const std::string section = listing.substr(client, next - client);
    const std::size_t to = section.find("Connecting To:");
    return to != std::string::npos && section.find(address.toStdString(), to) != std::string::npos;
}

TEST_F(AlsaOwnPort, CarriesTheMessagesOnceWiredWithAconnect) {
    SequencerDump& dump = startDump();
    const xg::MixerState state = Evening();
    ASSERT_FALSE(startOnOwnPort(state).isEmpty());
    const QString address = dump.address(kLimit);
    ASSERT_TRUE(Aconnect({kOwnPort, address})) << SequencerListing();
    ASSERT_TRUE(OwnPortWiredTo(address)) << SequencerListing();
    expectHandOffLoad(dump, state);
}

TEST_F(AlsaOwnPort, ItsWiringSurvivesPreferencesCancel) {
    SequencerDump& dump = startDump();
    const xg::MixerState state = Evening();
    const QString window = startOnOwnPort(state);
    ASSERT_FALSE(window.isEmpty());
    const QString address = dump.address(kLimit);
    ASSERT_TRUE(Aconnect({kOwnPort, address})) << SequencerListing();
    ASSERT_NO_FATAL_FAILURE(preferences(window, "Escape")); // the device is closed and reopened
    EXPECT_TRUE(OwnPortWiredTo(address)) << SequencerListing();
    expectHandOffLoad(dump, state);
}

TEST_F(AlsaOwnPort, APortWiredByHandGetsTheWholeStateOnce) {
    SequencerDump& dump = startDump();
    const xg::MixerState state = Evening();
    ASSERT_FALSE(startOnOwnPort(state).isEmpty());
    std::this_thread::sleep_for(2s);
    ASSERT_TRUE(dump.messages().empty()) << "messages arrived before any wire was made";
    ASSERT_TRUE(Aconnect({kOwnPort, dump.address(kLimit)})) << SequencerListing();
    const xg::Messages expected = xg::Load(state, !state.lock); // the lock box's message last
    dump.waitForMessages(expected.size(), kLimit);
    std::this_thread::sleep_for(2s); // a second sending would show up
    EXPECT_EQ(xg::Hex(dump.messages()), xg::Hex(expected));
}

TEST_F(AlsaOwnPort, ItsWiringIsMadeAgainAfterARestart) {
    SequencerDump& dump = startDump();
    const xg::MixerState state = Evening();
    ASSERT_FALSE(startOnOwnPort(state).isEmpty());
    const QString address = dump.address(kLimit);
    ASSERT_TRUE(Aconnect({kOwnPort, address})) << SequencerListing();
    const xg::Messages whole = xg::Load(state, !state.lock);
    ASSERT_TRUE(dump.waitForMessages(whole.size(), kLimit)) << "the new wire got no state";
    MixerProgram& first = *programs.back();
    first.terminate();
    ASSERT_TRUE(first.waitForExit(kLimit)) << first.log();
    ASSERT_FALSE(OwnPortWiredTo(address)) << "the port outlived the program";

    const std::size_t before = dump.messages().size();
    MixerProgram& second = startMixer({file});
    ASSERT_FALSE(waitForMainWindow("own").isEmpty()) << second.log();
    const xg::Messages load = xg::Load(state, false);
    dump.waitForMessages(before + load.size(), kLimit);
    std::this_thread::sleep_for(2s);
    EXPECT_TRUE(OwnPortWiredTo(address)) << SequencerListing();
    const xg::Messages all = dump.messages();
    EXPECT_EQ(xg::Hex(xg::Messages(all.begin() + std::ptrdiff_t(before), all.end())),
              xg::Hex(load));
}

// The chosen receiver ended and started again under the same name.
using AlsaDeviceWatch = AlsaProgram;

TEST_F(AlsaDeviceWatch, AReceiverRestartedUnderItsNameGetsTheWholeStateByItself) {
    SequencerDump& first = startDump();
    home.writePreferences(kDumpName);
    const xg::MixerState state = Evening();
    MixerProgram& program = startMixer({home.writeSettingsFile("watch.mix", state.FileText())});
    ASSERT_FALSE(waitForMainWindow("watch").isEmpty()) << program.log();
    const xg::Messages whole = xg::Load(state, false); // a locked state: its load is the whole
    ASSERT_TRUE(first.waitForMessages(whole.size(), kLimit)) << program.log();
    first.kill();
    SequencerDump& second = startDump();
    second.waitForMessages(whole.size(), kLimit);
    std::this_thread::sleep_for(2s); // a second sending would show up
    EXPECT_EQ(xg::Hex(second.messages()), xg::Hex(whole)) << program.log();
}

// A real USB MIDI device: the guest's gadget (guest.sh) on the dummy USB controller, which the
// host side sees through snd-usb-audio and snd-seq-midi. Its UDC file plugs it in (the
// controller's name) and unplugs it (an empty line); what it received is read from its own
// raw MIDI card.
class UsbGadget : public AlsaProgram {
protected:
    static constexpr auto kProduct = "Vireo XG";

    void SetUp() override {
        AlsaProgram::SetUp();
        gadget = qEnvironmentVariable("VIREO_GADGET");
        controller = qEnvironmentVariable("VIREO_UDC");
        ASSERT_FALSE(gadget.isEmpty() || controller.isEmpty()) << "the guest made no USB gadget";
    }

    bool plug(bool in) const {
        QFile udc(gadget + "/UDC");
        return udc.open(QIODevice::WriteOnly) &&
               udc.write((in ? controller : "").toUtf8() + "\n") > 0;
    }

    // The sequencer's product name of the device, once it is listed; empty when it never is.
    static std::string listedName() {
        SystemMidiService service;
        std::string found;
        WaitUntil(
            [&] {
                const unsigned count = service.deviceCount();
                for (unsigned i = 0; i < count && found.empty(); ++i) {
                    std::string name;
                    service.productName(int(i), name);
                    if (name.find(kProduct) != std::string::npos)
                        found = name;
                }
                return !found.empty();
            },
            kLimit);
        return found;
    }

    // The gadget's own card, once the gadget is bound.
    std::unique_ptr<RawMidiDump> startReceiver() const {
        const QString card = qEnvironmentVariable("VIREO_GADGET_CARD");
        EXPECT_TRUE(WaitUntil([&] { return QFile::exists("/proc/asound/" + card); }, kLimit));
        auto receiver = std::make_unique<RawMidiDump>("hw:" + card + ",0");
        EXPECT_TRUE(receiver->started()) << "amidi did not start";
        return receiver;
    }

    QString gadget;
    QString controller;
};

TEST_F(UsbGadget, UnpluggedAndPluggedInAgainItGetsTheWholeStateWithoutAnyUserAction) {
    ASSERT_TRUE(plug(true));
    auto receiver = startReceiver();
    const std::string device = listedName();
    ASSERT_FALSE(device.empty()) << "the USB MIDI device was never listed:\n" << SequencerListing();
    home.writePreferences(device);
    const xg::MixerState state = Evening();
    MixerProgram& program = startMixer({home.writeSettingsFile("usb.mix", state.FileText())});
    ASSERT_FALSE(waitForMainWindow("usb").isEmpty()) << program.log();
    const xg::Messages whole = xg::Load(state, false); // a locked state: its load is the whole
    receiver->waitForMessages(whole.size(), kLimit);
    EXPECT_EQ(xg::Hex(receiver->messages()), xg::Hex(whole)) << "the start-up load";

    receiver.reset();
    ASSERT_TRUE(plug(false));
    ASSERT_TRUE(
        WaitUntil([] { return SequencerListing().find(kProduct) == std::string::npos; }, kLimit))
        << SequencerListing();
    ASSERT_TRUE(plug(true));
    receiver = startReceiver();
    receiver->waitForMessages(whole.size(), kLimit);
    std::this_thread::sleep_for(2s); // a second sending would show up
    EXPECT_EQ(xg::Hex(receiver->messages()), xg::Hex(whole)) << program.log();
    std::cout << "USB MIDI device plugged in again: " << receiver->messages().size()
              << " messages checked\n";
}

} // namespace
} // namespace vireo::test
