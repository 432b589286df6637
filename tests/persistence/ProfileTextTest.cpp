#include "persistence/ProfileText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vireo::profile {
namespace {

using testing::Optional;

constexpr std::string_view kSection = "Mixer Settings";

std::optional<std::string> Get(std::string_view text, std::string_view key) {
    return GetString(text, kSection, key);
}

std::string Set(std::string_view text, std::string_view key, std::string_view value) {
    auto edited = SetString(text, kSection, key, value);
    EXPECT_TRUE(edited.has_value());
    return edited.value_or(std::string(text));
}

TEST(ProfileTextRead, NamesMatchWithoutRegardToCaseOrSurroundingBlanks) {
    const std::string text = "[ mixer SETTINGS ]\n  volume level \t=  64 \t\n";
    EXPECT_THAT(Get(text, "Volume Level"), Optional(std::string("64")));
    EXPECT_THAT(GetString(text, "MIXER settings", "VOLUME LEVEL"), Optional(std::string("64")));
}

TEST(ProfileTextRead, OnlyTheNamedSectionIsSearched) {
    const std::string text = "Lock=1\n[Other]\nLock=1\n[Mixer Settings]\nDry Level=5\n"
                             "[Later]\nLock=1\n";
    EXPECT_EQ(Get(text, "Lock"), std::nullopt);
    EXPECT_THAT(Get(text, "Dry Level"), Optional(std::string("5")));
    EXPECT_EQ(GetString(text, "Missing", "Lock"), std::nullopt);
}

TEST(ProfileTextRead, FirstSectionAndFirstKeyOfANameWin) {
    const std::string text = "[Mixer Settings]\nLock=1\nlock=0\n[MIXER SETTINGS]\nDry Level=9\n";
    EXPECT_THAT(Get(text, "Lock"), Optional(std::string("1")));
    EXPECT_EQ(Get(text, "Dry Level"), std::nullopt);
}

TEST(ProfileTextRead, OnePairOfMatchingQuotesIsRemoved) {
    const std::string text = "[Mixer Settings]\na=\"Hall1\"\nb='White Room'\nc=\"x'\nd=\"\ne=\"\"\n"
                             "f=\"\"q\"\"\ng=\" padded \"\n";
    EXPECT_THAT(Get(text, "a"), Optional(std::string("Hall1")));
    EXPECT_THAT(Get(text, "b"), Optional(std::string("White Room")));
    EXPECT_THAT(Get(text, "c"), Optional(std::string("\"x'")));
    EXPECT_THAT(Get(text, "d"), Optional(std::string("\"")));
    EXPECT_THAT(Get(text, "e"), Optional(std::string()));
    EXPECT_THAT(Get(text, "f"), Optional(std::string("\"q\"")));
    EXPECT_THAT(Get(text, "g"), Optional(std::string(" padded ")));
}

TEST(ProfileTextRead, At1023BytesOfAValueAreSeenWithoutSplittingACharacter) {
    const std::string plain(1500, 'v');
    EXPECT_THAT(Get("[Mixer Settings]\nk=" + plain + "\n", "k"), Optional(plain.substr(0, 1023)));
    EXPECT_THAT(Get("[Mixer Settings]\nk=\"" + plain.substr(0, 1023) + "\"\n", "k"),
                Optional(plain.substr(0, 1023)));

    // 1022 ASCII bytes, then a two-byte character straddling the limit.
    const std::string straddling = std::string(1022, 'a') + "\xC3\xA9" + "tail";
    EXPECT_THAT(Get("[Mixer Settings]\nk=" + straddling + "\n", "k"),
                Optional(std::string(1022, 'a')));
}

TEST(ProfileTextRead, LineEndsByteOrderMarkAndMissingFinalLineEnd) {
    EXPECT_THAT(Get("[Mixer Settings]\r\nLock=1\r\nDry Level=3", "Lock"),
                Optional(std::string("1")));
    EXPECT_THAT(Get("[Mixer Settings]\r\nLock=1\r\nDry Level=3", "Dry Level"),
                Optional(std::string("3")));
    EXPECT_THAT(Get("\xEF\xBB\xBF[Mixer Settings]\nLock=2\n", "Lock"), Optional(std::string("2")));
    EXPECT_THAT(Get("[Mixer Settings]\rLock=4\r", "Lock"), Optional(std::string("4")));
}

TEST(ProfileTextRead, MalformedLinesAreSkippedNotFatal) {
    using namespace std::string_literals;
    const std::string text = "garbage without equals\n[broken header\n\x01\x02\x00\xFF\n"
                             "[Mixer Settings]\n; Lock=9\nLock\n   \n[unclosed\nLock=7\n"s;
    EXPECT_THAT(Get(text, "Lock"), Optional(std::string("7")));
    EXPECT_EQ(Get(text, "; Lock"), std::nullopt);
}

TEST(ProfileTextRead, ValueKeepsInnerBlanksAndEqualsSigns) {
    EXPECT_THAT(Get("[Mixer Settings]\nReverb Effect = Delay L,C,R \n", "Reverb Effect"),
                Optional(std::string("Delay L,C,R")));
    EXPECT_THAT(Get("[Mixer Settings]\nk=a=b\n", "k"), Optional(std::string("a=b")));
}

TEST(ProfileTextWrite, FromNothingMakesTheSectionThenKeysInWriteOrder) {
    std::string text;
    text = Set(text, "Volume Level", "100");
    text = Set(text, "Lock", "0");
    EXPECT_EQ(text, "[Mixer Settings]\nVolume Level=100\nLock=0\n");
}

TEST(ProfileTextWrite, ReplacesTheFirstKeyWhereItStandsKeepingEverythingElse) {
    const std::string text = "; my mixes\r\n[Other]\r\nLock=5\r\n[mixer settings]\r\n"
                             "  LOCK = 1 \r\nDry Level=3\r\nLock=9\r\n\r\n[Tail]\r\nx=y";
    EXPECT_EQ(Set(text, "Lock", "0"), "; my mixes\r\n[Other]\r\nLock=5\r\n[mixer settings]\r\n"
                                      "Lock=0\r\nDry Level=3\r\nLock=9\r\n\r\n[Tail]\r\nx=y");
}

TEST(ProfileTextWrite, NewKeyGoesAfterTheSectionsLastEntryBeforeBlankLinesAndComments) {
    const std::string text = "[Mixer Settings]\na=1\n\n; next section\n[B]\nb=2\n";
    EXPECT_EQ(Set(text, "Lock", "1"),
              "[Mixer Settings]\na=1\nLock=1\n\n; next section\n[B]\nb=2\n");
    EXPECT_EQ(Set("[A]\n[Mixer Settings]\n[B]\n", "Lock", "1"),
              "[A]\n[Mixer Settings]\nLock=1\n[B]\n");
}

TEST(ProfileTextWrite, FollowsTheTextsLineEndsAndCompletesAnUnfinishedLastLine) {
    EXPECT_EQ(Set("[Mixer Settings]\r\na=1", "b", "2"), "[Mixer Settings]\r\na=1\r\nb=2\r\n");
    EXPECT_EQ(Set("[Other]\r\nx=1", "b", "2"), "[Other]\r\nx=1\r\n[Mixer Settings]\r\nb=2\r\n");
    EXPECT_EQ(Set("[Mixer Settings]", "b", "2"), "[Mixer Settings]\nb=2\n");
}

TEST(ProfileTextWrite, KeepsTheByteOrderMark) {
    EXPECT_EQ(Set("\xEF\xBB\xBF[Mixer Settings]\nLock=1\n", "Lock", "0"),
              "\xEF\xBB\xBF[Mixer Settings]\nLock=0\n");
    EXPECT_EQ(Set("\xEF\xBB\xBF", "Lock", "0"), "\xEF\xBB\xBF[Mixer Settings]\nLock=0\n");
}

TEST(ProfileTextWrite, RefusesWhatCannotBeOneLine) {
    EXPECT_EQ(SetString("", kSection, "Lock", "1\n[Evil]"), std::nullopt);
    EXPECT_EQ(SetString("", kSection, "a=b", "1"), std::nullopt);
    EXPECT_EQ(SetString("", kSection, "", "1"), std::nullopt);
    EXPECT_EQ(SetString("", kSection, ";x", "1"), std::nullopt);
    EXPECT_EQ(SetString("", kSection, " x", "1"), std::nullopt);
    EXPECT_EQ(SetString("", "A]B", "x", "1"), std::nullopt);
    EXPECT_EQ(SetString("", "A\nB", "x", "1"), std::nullopt);
}

TEST(ProfileTextWrite, WhatIsWrittenReadsBack) {
    std::string text = "\xEF\xBB\xBF; header\r\n[Other]\r\nk=v";
    for (const auto* value : {"Hall1", "Delay L,C,R", "3Band EQ(Mono)", "", "127"})
        EXPECT_THAT(Get(Set(text, "Reverb Effect", value), "Reverb Effect"),
                    Optional(std::string(value)));
    text = Set(text, "Reverb Effect", "White Room");
    EXPECT_THAT(GetString(text, "Other", "k"), Optional(std::string("v")));
}

} // namespace
} // namespace vireo::profile
