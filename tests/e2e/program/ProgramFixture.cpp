#include "ProgramFixture.h"

#include "JackPortProbe.h"

namespace vireo::test {

void ProgramFixture::SetUp() {
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

void ProgramFixture::TearDown() {
    programs.clear();
    server.reset();
    dumps.clear();
    display.reset();
}

MidiDump* ProgramFixture::startDump(const std::string& name) {
    dumps.push_back(std::make_unique<MidiDump>(name));
    MidiDump* dump = dumps.back().get();
    EXPECT_TRUE(dump->started()) << "jack_midi_dump " << name << " did not start";
    EXPECT_TRUE(WaitForActiveMidiInput(dump->port(), kLimit))
        << dump->port() << " never took a connection";
    return dump;
}

MixerProgram& ProgramFixture::startMixer(const QStringList& arguments) {
    programs.push_back(std::make_unique<MixerProgram>(home, display->name(), arguments));
    EXPECT_TRUE(programs.back()->started()) << "the mixer did not start";
    return *programs.back();
}

} // namespace vireo::test
