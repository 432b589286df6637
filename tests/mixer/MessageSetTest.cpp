#include "mixer/MessageSet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vireo::synth {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

template <std::size_t N> std::vector<int> ints(const SysEx<N>& m) {
    return {m.begin(), m.end()};
}

std::string hex(const EffectTypeEntry& e) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X %02X", e.first, e.second);
    return text;
}

TEST(MessageSet, InvertLevelMapsTopToLoudestAndBack) {
    EXPECT_EQ(InvertLevel(0), 127);
    EXPECT_EQ(InvertLevel(127), 0);
    EXPECT_EQ(InvertLevel(InvertLevel(27)), 27);
}

TEST(MessageSet, CatalogueBytes) {
    EXPECT_THAT(ints(MasterVolume(0x64)),
                ElementsAre(0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x11, 0x64, 0xF7));
    EXPECT_THAT(ints(ADPartLevel(ADParameter::Volume, 1, 5)),
                ElementsAre(0xF0, 0x43, 0x10, 0x4C, 0x10, 0x01, 0x0B, 0x05, 0xF7));
    EXPECT_EQ(ADPartLevel(ADParameter::DryLevel, 0, 0)[6], 0x11);
    EXPECT_EQ(ADPartLevel(ADParameter::ChorusSend, 0, 0)[6], 0x12);
    EXPECT_EQ(ADPartLevel(ADParameter::ReverbSend, 0, 0)[6], 0x13);
    EXPECT_EQ(ADPartLevel(ADParameter::VariationSend, 0, 0)[6], 0x14);
    EXPECT_THAT(ints(EffectType(EffectBlock::Reverb, 0x02, 0x01)),
                ElementsAre(0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x02, 0x01, 0xF7));
    EXPECT_EQ(EffectType(EffectBlock::Chorus, 0, 0)[6], 0x20);
    EXPECT_EQ(EffectType(EffectBlock::Variation, 0, 0)[6], 0x40);
    EXPECT_THAT(ints(LockOn), ElementsAre(0xF0, 0x43, 0x10, 0x49, 0x01, 0x00, 0x01, 0x01, 0xF7));
    EXPECT_THAT(ints(LockOff), ElementsAre(0xF0, 0x43, 0x10, 0x49, 0x01, 0x00, 0x01, 0x00, 0xF7));
    EXPECT_THAT(ints(XGSystemOn),
                ElementsAre(0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7));
    EXPECT_THAT(ints(GSReset),
                ElementsAre(0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7));
    EXPECT_THAT(ints(GMSystemOn), ElementsAre(0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7));
}

TEST(MessageSet, InitializationSequenceInOrder) {
    const std::vector<std::vector<int>> expected = {
        {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7F, 0x00, 0xF7},
        {0xF0, 0x43, 0x10, 0x49, 0x01, 0x00, 0x00, 0x01, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x11, 0x00, 0x00, 0x01, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x5A, 0x01, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x5B, 0x40, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x5B, 0x41, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x10, 0x00, 0x00, 0x00, 0xF7},
    };
    std::vector<std::vector<int>> actual;
    for (const auto& m : InitializationSequence)
        actual.push_back(ints(m));
    EXPECT_EQ(actual, expected);
}

TEST(MessageSet, ReverbAndChorusTables) {
    std::vector<std::string> reverb;
    for (const auto& e : kReverbTypes)
        reverb.push_back(std::string(e.name) + "=" + hex(e));
    EXPECT_THAT(reverb,
                ElementsAre("No Effect=00 00", "Hall1=01 00", "Hall2=01 01", "Room1=02 00",
                            "Room2=02 01", "Room3=02 02", "Stage1=03 00", "Stage2=03 01",
                            "Plate=04 00", "White Room=10 00", "Tunnel=11 00", "Basement=13 00"));
    std::vector<std::string> chorus;
    for (const auto& e : kChorusTypes)
        chorus.push_back(std::string(e.name) + "=" + hex(e));
    EXPECT_THAT(chorus, ElementsAre("No Effect=00 00", "Chorus1=41 00", "Chorus2=41 01",
                                    "Chorus3=41 02", "Chorus4=41 08", "Celeste1=42 00",
                                    "Celeste2=42 01", "Celeste3=42 02", "Celeste4=42 08",
                                    "Flanger1=43 00", "Flanger2=43 01", "Flanger3=43 08"));
}

TEST(MessageSet, VariationTable) {
    std::vector<std::string> variation;
    for (const auto& e : kVariationTypes)
        variation.push_back(std::string(e.name) + "=" + hex(e));
    const char* expected[] = {
        "No Effect=00 00",     "Hall1=01 00",          "Hall2=01 01",
        "Room1=02 00",         "Room2=02 01",          "Room3=02 02",
        "Stage1=03 00",        "Stage2=03 01",         "Plate=04 00",
        "Delay L,C,R=05 00",   "Delay L,R=06 00",      "Echo=07 00",
        "Cross Delay=08 00",   "Early Ref1=09 00",     "Early Ref2=09 01",
        "Gate Reverb=0A 00",   "Reverse Gate=0B 00",   "Karaoke 1=14 00",
        "Karaoke 2=14 01",     "Karaoke 3=14 02",      "Chorus1=41 00",
        "Chorus2=41 01",       "Chorus3=41 02",        "Chorus4=41 08",
        "Celeste1=42 00",      "Celeste2=42 01",       "Celeste3=42 02",
        "Celeste4=42 08",      "Flanger1=43 00",       "Flanger2=43 01",
        "Flanger3=43 08",      "Symphonic=44 00",      "Rotary Speaker=45 00",
        "Tremolo=46 00",       "Auto Pan=47 00",       "Phaser1=48 00",
        "Phaser2=48 08",       "Distortion=49 00",     "Over Driver=4A 00",
        "Amp Simulator=4B 00", "3Band EQ(Mono)=4C 00", "2Band EQ(Stereo)=4D 00",
        "Auto WAH(LFO)=4E 00", "Pitch Change=50 00",   "Voice Cancel=55 00",
        "Thru=40 00",          "Alien=A1 04",          "Harmony=A5 04",
        "Vocal=A9 02",         "RadioVoice=AB 03",     "OctaveUp=AE 04",
        "OctaveDown=B2 04",    "Flash=B6 03",
    };
    EXPECT_THAT(variation, ElementsAreArray(expected));
}

TEST(MessageSet, PresetStepList) {
    const char* expected[] = {
        "40 50 00", "42 00 58", "46 00 40", "48 00 40", "40 50 00", "42 00 44",
        "46 00 40", "48 00 40", "40 03 00", "42 00 20", "40 4E 00", "44 00 00",
        "46 00 2C", "40 50 00", "42 00 4C", "46 00 40", "48 00 40", "40 50 00",
        "42 00 34", "46 00 40", "48 00 40", "40 46 00", "42 00 6D", "44 00 7F",
    };
    std::vector<std::string> steps;
    for (int n = 1; n <= 24; ++n) {
        const auto m = VariationPresetStep(n);
        char text[12];
        std::snprintf(text, sizeof text, "%02X %02X %02X", m[6], m[7], m[8]);
        steps.push_back(text);
        EXPECT_THAT(ints(m), testing::ElementsAre(0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, m[6], m[7],
                                                  m[8], 0xF7));
    }
    EXPECT_THAT(steps, ElementsAreArray(expected));
}

} // namespace
} // namespace vireo::synth
