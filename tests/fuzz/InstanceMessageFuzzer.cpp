// Input: bytes as they might arrive on the instance channel. Invariants of the frame reader:
//  - decoding never fails and consumes at most the input, and only a whole frame;
//  - every beginning of a whole frame asks for more, and bytes after a frame change nothing;
//  - a decoded frame encodes back to exactly the bytes it was read from;
//  - the input taken as a caption or a path, encoded and decoded, comes back as sent.
#include "FuzzCheck.h"
#include "shell/InstanceMessage.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace {

using namespace vireo::instance;

template <typename Message, typename Decode, typename Encode>
void CheckDecoder(QByteArrayView bytes, Decode decode, Encode encode) {
    const Decoded<Message> decoded = decode(bytes);
    if (decoded.state != DecodeState::Complete) {
        FUZZ_CHECK(decoded.consumed == 0);
        if (decoded.state == DecodeState::Invalid)
            FUZZ_CHECK(decode(QByteArray(bytes.toByteArray() + "tail")).state ==
                       DecodeState::Invalid);
        return;
    }
    FUZZ_CHECK(decoded.consumed >= kHeaderSize && decoded.consumed <= bytes.size());
    const QByteArrayView frame = bytes.first(decoded.consumed);
    // The reader takes longer captions than the writer sends; those are cut when sent again.
    if constexpr (std::is_same_v<Message, StatusMessage>)
        FUZZ_CHECK(decoded.message.caption.size() > kMaxCaptionLength ||
                   encode(decoded.message) == frame);
    else
        FUZZ_CHECK(encode(decoded.message) == frame);
    for (qsizetype size = 0; size < frame.size(); ++size)
        FUZZ_CHECK(decode(frame.first(size)).state == DecodeState::NeedMore);
    const auto extended = decode(QByteArray(frame.toByteArray() + "tail"));
    FUZZ_CHECK(extended.state == DecodeState::Complete && extended.consumed == frame.size());
}

void CheckStatusRoundTrip(const QString& caption, bool minimised) {
    const StatusMessage sent{caption, minimised};
    const QByteArray bytes = EncodeStatus(sent);
    const auto decoded = DecodeStatus(bytes);
    FUZZ_CHECK(decoded.state == DecodeState::Complete && decoded.consumed == bytes.size());
    FUZZ_CHECK(decoded.message.minimised == minimised);
    // A caption is cut to its head, never inside a character.
    const QString& got = decoded.message.caption;
    FUZZ_CHECK(got.size() <= kMaxCaptionLength && caption.startsWith(got));
    FUZZ_CHECK(got.size() >= std::min(caption.size(), kMaxCaptionLength - 1));
}

void CheckHandOffRoundTrip(const QString& path, bool bringToFront) {
    const HandOffMessage sent{bringToFront, path};
    const QByteArray bytes = EncodeHandOff(sent);
    const auto decoded = DecodeHandOff(bytes);
    const bool fits = path.toUtf8().size() <= MaxPathBytes();
    // Only a path from the root is taken: ":name" is absolute to Qt, but names a resource.
    const bool acceptable =
        !fits || path.isEmpty() || (path.startsWith(u'/') && !path.contains(QChar(u'\0')));
    if (!acceptable) {
        FUZZ_CHECK(decoded.state == DecodeState::Invalid);
        return;
    }
    FUZZ_CHECK(decoded.state == DecodeState::Complete && decoded.consumed == bytes.size());
    const HandOffMessage expected{bringToFront, fits ? path : QString()};
    FUZZ_CHECK(decoded.message == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    CheckDecoder<StatusMessage>(bytes, DecodeStatus, EncodeStatus);
    CheckDecoder<HandOffMessage>(bytes, DecodeHandOff, EncodeHandOff);

    const bool flag = size > 0 && (data[0] & 1) != 0;
    const QString text = QString::fromUtf8(bytes);
    CheckStatusRoundTrip(text, flag);
    CheckHandOffRoundTrip(text, flag);
    CheckHandOffRoundTrip(QLatin1String("/") + text, !flag);
    return 0;
}
