#include "shell/InstanceMessage.h"

#include <QDir>
#include <QStringDecoder>
#include <climits>
#include <cstdint>

namespace vireo::instance {
namespace {

constexpr char kStatusKind = 'S';
constexpr char kHandOffKind = 'H';
constexpr std::uint8_t kMinimisedFlag = 0x01;
constexpr std::uint8_t kBringToFrontFlag = 0x01;
constexpr std::uint8_t kPathFlag = 0x02;

QByteArray EncodeFrame(char kind, std::uint8_t flags, const QByteArray& text) {
    const auto length = static_cast<std::uint32_t>(text.size());
    QByteArray frame = kMagic.toByteArray();
    frame.append(kind);
    frame.append(static_cast<char>(flags));
    for (int shift = 24; shift >= 0; shift -= 8)
        frame.append(static_cast<char>((length >> shift) & 0xFF));
    frame.append(text);
    return frame;
}

struct Frame {
    DecodeState state = DecodeState::NeedMore;
    std::uint8_t flags = 0;
    QByteArrayView text;
};

Frame Refused() {
    Frame frame;
    frame.state = DecodeState::Invalid;
    return frame;
}

template <typename Message> Decoded<Message> Unfinished(DecodeState state) {
    Decoded<Message> decoded;
    decoded.state = state;
    return decoded;
}

// Checks each header field as soon as its bytes are there, so that garbage is refused early.
Frame ReadFrame(QByteArrayView bytes, char kind, std::uint8_t knownFlags, qsizetype maxText) {
    const qsizetype magicBytes = std::min(bytes.size(), kMagic.size());
    if (bytes.first(magicBytes) != kMagic.first(magicBytes))
        return Refused();
    if (bytes.size() > 4 && bytes[4] != kind)
        return Refused();
    if (bytes.size() > 5 && (static_cast<std::uint8_t>(bytes[5]) & ~knownFlags) != 0)
        return Refused();
    if (bytes.size() < kHeaderSize)
        return {};
    std::uint32_t length = 0;
    for (qsizetype i = 6; i < kHeaderSize; ++i)
        length = (length << 8) | static_cast<std::uint8_t>(bytes[i]);
    if (length > static_cast<std::uint64_t>(maxText))
        return Refused();
    if (bytes.size() < kHeaderSize + static_cast<qsizetype>(length))
        return {};
    return {DecodeState::Complete, static_cast<std::uint8_t>(bytes[5]),
            bytes.sliced(kHeaderSize, length)};
}

std::optional<QString> StrictUtf8(QByteArrayView text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    QString decoded = decoder.decode(text);
    if (decoder.hasError())
        return std::nullopt;
    return decoded;
}

bool IsAcceptablePath(const QString& path) {
    // A path from the root; Qt's isAbsolutePath would also take ":name", a resource path.
    return path.isEmpty() || (path.startsWith('/') && !path.contains(QChar(u'\0')));
}

// At most kMaxCaptionLength characters, cut before a surrogate pair rather than inside it.
QString CaptionHead(const QString& caption) {
    qsizetype length = std::min(caption.size(), kMaxCaptionLength);
    if (length < caption.size() && length > 0 && caption.at(length - 1).isHighSurrogate())
        --length;
    return caption.left(length);
}

} // namespace

qsizetype MaxPathBytes() {
#ifdef PATH_MAX
    return PATH_MAX - 1;
#else
    return 32767 * 3;
#endif
}

QByteArray EncodeStatus(const StatusMessage& status) {
    const std::uint8_t flags = status.minimised ? kMinimisedFlag : 0;
    return EncodeFrame(kStatusKind, flags, CaptionHead(status.caption).toUtf8());
}

QByteArray EncodeHandOff(const HandOffMessage& handOff) {
    std::uint8_t flags = handOff.bringToFront ? kBringToFrontFlag : 0;
    QByteArray path;
    if (handOff.path) {
        flags |= kPathFlag;
        path = handOff.path->toUtf8();
        if (path.size() > MaxPathBytes())
            path.clear();
    }
    return EncodeFrame(kHandOffKind, flags, path);
}

Decoded<StatusMessage> DecodeStatus(QByteArrayView bytes) {
    const Frame frame = ReadFrame(bytes, kStatusKind, kMinimisedFlag, kMaxCaptionBytes);
    if (frame.state != DecodeState::Complete)
        return Unfinished<StatusMessage>(frame.state);
    auto caption = StrictUtf8(frame.text);
    if (!caption)
        return Unfinished<StatusMessage>(DecodeState::Invalid);
    return {DecodeState::Complete,
            StatusMessage{std::move(*caption), (frame.flags & kMinimisedFlag) != 0},
            kHeaderSize + frame.text.size()};
}

Decoded<HandOffMessage> DecodeHandOff(QByteArrayView bytes) {
    const Frame frame =
        ReadFrame(bytes, kHandOffKind, kBringToFrontFlag | kPathFlag, MaxPathBytes());
    if (frame.state != DecodeState::Complete)
        return Unfinished<HandOffMessage>(frame.state);
    const bool hasPath = (frame.flags & kPathFlag) != 0;
    auto path = StrictUtf8(frame.text);
    if (!path || (!hasPath && !path->isEmpty()) || !IsAcceptablePath(*path))
        return Unfinished<HandOffMessage>(DecodeState::Invalid);
    HandOffMessage message{(frame.flags & kBringToFrontFlag) != 0, std::nullopt};
    if (hasPath)
        message.path = std::move(*path);
    return {DecodeState::Complete, std::move(message), kHeaderSize + frame.text.size()};
}

} // namespace vireo::instance
