#pragma once

// The real program's surroundings for one case: a private JACK server, a private X display and
// a mixer home; the dumps and mixers a case starts, ended in good order.

#include "DumpChecks.h"
#include "JackTestProcesses.h"
#include "MixerUnderTest.h"
#include "VirtualDisplay.h"

#include <QStringList>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace vireo::test {

class ProgramFixture : public testing::Test {
protected:
    static constexpr std::chrono::milliseconds kLimit = std::chrono::seconds(30);
    // Long enough for a message sent by mistake to show up, to tell that none comes.
    static constexpr std::chrono::milliseconds kQuiet = std::chrono::milliseconds(1500);

    void SetUp() override;
    // The mixers end first and in good order, then the server while its clients still live.
    void TearDown() override;

    // A jack_midi_dump named `name`, once its port takes connections.
    MidiDump* startDump(const std::string& name);
    MixerProgram& startMixer(const QStringList& arguments);

    static void expectReceived(MidiDump& dump, std::size_t from, const xg::Messages& expected) {
        ExpectReceived(dump, from, expected, kLimit);
    }
    static bool staysAt(MidiDump& dump, std::size_t count) { return StaysAt(dump, count, kQuiet); }

    std::unique_ptr<PrivateJackServer> server;
    std::vector<std::unique_ptr<MidiDump>> dumps;
    std::unique_ptr<VirtualDisplay> display;
    MixerHome home;
    std::vector<std::unique_ptr<MixerProgram>> programs;
};

} // namespace vireo::test
