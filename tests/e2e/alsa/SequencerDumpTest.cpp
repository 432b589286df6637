#include "SequencerDump.h"

#include <gtest/gtest.h>

namespace vireo::test {
namespace {

TEST(SequencerDumpReading, GivesTheBytesOfEachEventInOrder) {
    const std::string text = "Waiting for data. Press Ctrl+C to end.\n"
                             "Source  Event                  Ch  Data\n"
                             "129:1   System exclusive           F0 43 10 4C 00 00 7E 00 F7\n"
                             "129:1   Control change          3, controller 7, value 100\n"
                             "129:1   Control change         15, controller 93, value 0\n";
    const xg::Messages expected{{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7},
                                {0xB3, 0x07, 0x64},
                                {0xBF, 0x5D, 0x00}};
    EXPECT_EQ(ParseSequencerDump(text), expected);
}

TEST(SequencerDumpReading, LeavesOutTheSequencersNoticesButShowsUnexpectedEvents) {
    const std::string text = "  0:1   Port subscribed            129:0 -> 128:0\n"
                             "129:0   Note on                 0, note 60, velocity 100\n"
                             "  0:1   Port unsubscribed          129:0 -> 128:0\n";
    const xg::Messages expected{{}};
    EXPECT_EQ(ParseSequencerDump(text), expected);
}

TEST(SequencerDumpReading, AnUnfinishedLineCountsOnlyOnceComplete) {
    const std::string line = "129:1   Control change          3, controller 7, value 100";
    EXPECT_TRUE(ParseSequencerDump(line.substr(0, 30)).empty());
    EXPECT_TRUE(ParseSequencerDump(line).empty());
    EXPECT_EQ(ParseSequencerDump(line + "\n"), (xg::Messages{{0xB3, 0x07, 0x64}}));
}

TEST(RawMidiDumpReading, CutsTheByteStreamIntoMessagesWhereverTheLinesBreak) {
    // As amidi -d prints it: the bytes of a message run together, one message a line.
    const std::string text = "\nF043104C00007E00F7\nB00764\nB1 07 64\nF07F7F040111\n64F7";
    EXPECT_EQ(ParseRawMidiDump(text),
              (xg::Messages{{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7},
                            {0xB0, 0x07, 0x64},
                            {0xB1, 0x07, 0x64},
                            {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x11, 0x64, 0xF7}}));
}

} // namespace
} // namespace vireo::test
