// Inputs found by fuzzing the instance channel's frames, kept as tests.
#include "shell/InstanceMessage.h"

#include <gtest/gtest.h>

namespace vireo::instance {
namespace {

// A character outside the Basic Multilingual Plane: two UTF-16 units.
const QString kKeyboard = QString::fromUtf8("\xF0\x9F\x8E\xB9");

TEST(InstanceFuzzRegression, ACaptionIsNeverCutInsideACharacter) {
    // The limit falls between the two halves of the last character.
    const QString head(kMaxCaptionLength - 1, u'x');
    const auto decoded = DecodeStatus(EncodeStatus({head + kKeyboard + "tail", false}));
    ASSERT_EQ(decoded.state, DecodeState::Complete);
    EXPECT_EQ(decoded.message.caption, head);

    // A pair that ends exactly at the limit is kept whole.
    const QString fits = QString(kMaxCaptionLength - 2, u'x') + kKeyboard;
    const auto whole = DecodeStatus(EncodeStatus({fits + "tail", true}));
    ASSERT_EQ(whole.state, DecodeState::Complete);
    EXPECT_EQ(whole.message.caption, fits);
    EXPECT_TRUE(whole.message.minimised);
}

} // namespace
} // namespace vireo::instance
