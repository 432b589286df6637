#include "shell/InstanceMessage.h"

#include "InstanceTestSupport.h"

#include <gtest/gtest.h>

namespace vireo::instance {
namespace {

const QString kOddPath =
    QString::fromUtf8("/home/ann/My \"odd\" 'mixes'/Ünïcødé 日本 \\ back$lash.mix");

QByteArray WithLength(QByteArray frame, quint32 length) {
    for (int i = 0; i < 4; ++i)
        frame[6 + i] = static_cast<char>((length >> (24 - 8 * i)) & 0xFF);
    return frame;
}

TEST(InstanceMessageTest, FramesRoundTripWithTheirFlagsAndText) {
    const StatusMessage status{QString::fromUtf8("Sonexa Vireo Mixer - Ünï.mix"), true};
    const auto decodedStatus = DecodeStatus(EncodeStatus(status));
    ASSERT_EQ(decodedStatus.state, DecodeState::Complete);
    EXPECT_EQ(decodedStatus.message, status);

    for (const HandOffMessage& handOff :
         {HandOffMessage{true, kOddPath}, HandOffMessage{false, kOddPath},
          HandOffMessage{true, std::nullopt}, HandOffMessage{false, QString()}}) {
        const QByteArray bytes = EncodeHandOff(handOff);
        const auto decoded = DecodeHandOff(bytes);
        ASSERT_EQ(decoded.state, DecodeState::Complete);
        EXPECT_EQ(decoded.message, handOff);
        EXPECT_EQ(decoded.consumed, bytes.size());
    }
}

TEST(InstanceMessageTest, EveryBeginningOfAFrameAsksForMoreAndTrailingBytesAreLeft) {
    const QByteArray frame = EncodeHandOff({true, kOddPath});
    for (qsizetype size = 0; size < frame.size(); ++size)
        EXPECT_EQ(DecodeHandOff(frame.first(size)).state, DecodeState::NeedMore) << size;

    const auto decoded = DecodeHandOff(frame + "more");
    EXPECT_EQ(decoded.state, DecodeState::Complete);
    EXPECT_EQ(decoded.consumed, frame.size());
}

TEST(InstanceMessageTest, GarbageIsRefusedAtItsFirstWrongByte) {
    EXPECT_EQ(DecodeHandOff("G").state, DecodeState::Invalid);
    EXPECT_EQ(DecodeHandOff("VXMX").state, DecodeState::Invalid);
    EXPECT_EQ(DecodeStatus("GET / HTTP/1.0\r\n\r\n").state, DecodeState::Invalid);

    const QByteArray handOff = EncodeHandOff({true, kOddPath});
    EXPECT_EQ(DecodeStatus(handOff.first(5)).state, DecodeState::Invalid) << "wrong kind";
    QByteArray unknownFlag = handOff.first(6);
    unknownFlag[5] = static_cast<char>(0x04);
    EXPECT_EQ(DecodeHandOff(unknownFlag).state, DecodeState::Invalid);
}

TEST(InstanceMessageTest, ALengthBeyondTheLimitIsRefusedBeforeItsTextArrives) {
    const QByteArray header = EncodeHandOff({true, QString()});
    EXPECT_EQ(DecodeHandOff(WithLength(header, quint32(MaxPathBytes()) + 1)).state,
              DecodeState::Invalid);
    EXPECT_EQ(DecodeHandOff(WithLength(header, 0xFFFFFFFFu)).state, DecodeState::Invalid);
    EXPECT_EQ(DecodeHandOff(WithLength(header, quint32(MaxPathBytes()))).state,
              DecodeState::NeedMore);

    const QByteArray status = EncodeStatus({});
    EXPECT_EQ(DecodeStatus(WithLength(status, kMaxCaptionBytes + 1)).state, DecodeState::Invalid);
}

TEST(InstanceMessageTest, HandOffTextMustBeAUsablePath) {
    const auto decodeWithPath = [](const QByteArray& text) {
        QByteArray frame = WithLength(EncodeHandOff({true, QString()}), quint32(text.size()));
        return DecodeHandOff(frame + text).state;
    };
    EXPECT_EQ(decodeWithPath("/ok.mix"), DecodeState::Complete);
    EXPECT_EQ(decodeWithPath("relative.mix"), DecodeState::Invalid);
    EXPECT_EQ(decodeWithPath(":resource.mix"), DecodeState::Invalid);
    EXPECT_EQ(decodeWithPath(QByteArray("/a\0b.mix", 8)), DecodeState::Invalid);
    EXPECT_EQ(decodeWithPath("/bad\xC3(utf8.mix"), DecodeState::Invalid);
    EXPECT_EQ(decodeWithPath("/cut\xE6\x97"), DecodeState::Invalid);

    QByteArray textWithoutPathFlag = EncodeHandOff({true, std::nullopt});
    textWithoutPathFlag = WithLength(textWithoutPathFlag, 2) + "/x";
    EXPECT_EQ(DecodeHandOff(textWithoutPathFlag).state, DecodeState::Invalid);
}

TEST(InstanceMessageTest, PathsUpToThePlatformLimitTravelAndLongerOnesArriveEmpty) {
    const QString longest = '/' + QString(MaxPathBytes() - 1, 'a');
    EXPECT_EQ(DecodeHandOff(EncodeHandOff({true, longest})).message.path, longest);
    EXPECT_GT(longest.size(), 255);

    const QString tooLong = longest + 'a';
    const auto decoded = DecodeHandOff(EncodeHandOff({false, tooLong}));
    ASSERT_EQ(decoded.state, DecodeState::Complete);
    EXPECT_EQ(decoded.message.path, QString());
    EXPECT_FALSE(decoded.message.bringToFront);
}

TEST(InstanceMessageTest, CaptionIsCutToItsReadableLengthWithoutBreakingCharacters) {
    const QString caption =
        QString::fromUtf8("Sonexa Vireo Mixer - ") + QString(300, QChar(0x65E5));
    const auto decoded = DecodeStatus(EncodeStatus({caption, false}));
    ASSERT_EQ(decoded.state, DecodeState::Complete);
    EXPECT_EQ(decoded.message.caption, caption.left(kMaxCaptionLength));
}

} // namespace
} // namespace vireo::instance
