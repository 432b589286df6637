#include "persistence/ProfileInteger.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using testing::Optional;

TEST(ProfileInteger, DecimalWithBlanksAndSign) {
    EXPECT_THAT(ParseProfileInteger("100"), Optional(100));
    EXPECT_THAT(ParseProfileInteger("   42"), Optional(42));
    EXPECT_THAT(ParseProfileInteger("+7"), Optional(7));
    EXPECT_THAT(ParseProfileInteger("-5"), Optional(-5));
    EXPECT_THAT(ParseProfileInteger("007"), Optional(7));
    EXPECT_THAT(ParseProfileInteger("  -0"), Optional(0));
}

TEST(ProfileInteger, DollarAndZeroXHexInEitherCase) {
    EXPECT_THAT(ParseProfileInteger("$40"), Optional(64));
    EXPECT_THAT(ParseProfileInteger("0x40"), Optional(64));
    EXPECT_THAT(ParseProfileInteger("0XfF"), Optional(255));
    EXPECT_THAT(ParseProfileInteger("-$10"), Optional(-16));
    EXPECT_THAT(ParseProfileInteger(" $7f"), Optional(127));
}

TEST(ProfileInteger, AnythingElseIsNoNumber) {
    for (const char* text : {"",    " ",   "0x",  "0X",   "$",   "+",     "-",     "12abc", "abc",
                             "1 ",  "1.5", "- 5", "--5",  "+-5", " 0x40", "-0x40", "0x$40", "$$40",
                             "x40", "$g",  "yes", "True", "1e3", "\t5",   "０",    "0x-5"})
        EXPECT_EQ(ParseProfileInteger(text), std::nullopt) << '"' << text << '"';
}

TEST(ProfileInteger, OnlyTheSigned32BitRange) {
    EXPECT_THAT(ParseProfileInteger("2147483647"), Optional(2147483647));
    EXPECT_THAT(ParseProfileInteger("-2147483648"), Optional(-2147483647 - 1));
    EXPECT_THAT(ParseProfileInteger("$7FFFFFFF"), Optional(2147483647));
    EXPECT_THAT(ParseProfileInteger("-$80000000"), Optional(-2147483647 - 1));
    EXPECT_THAT(ParseProfileInteger("000000000000002147483647"), Optional(2147483647));
    for (const char* text :
         {"2147483648", "-2147483649", "$80000000", "0xFFFFFFFF", "99999999999999999999999999"})
        EXPECT_EQ(ParseProfileInteger(text), std::nullopt) << text;
}

TEST(ProfileInteger, FallbackOnlyWhenNoNumber) {
    EXPECT_EQ(ProfileIntegerOr("0x", 127), 127);
    EXPECT_EQ(ProfileIntegerOr("300", 127), 300);
    EXPECT_EQ(ProfileIntegerOr("0", 127), 0);
}

} // namespace
} // namespace vireo
