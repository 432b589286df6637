#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// The two frames exchanged between a starting program and the running instance:
//
//   magic "VXMI" | kind (1 byte) | flags (1 byte) | length (4 bytes, big-endian) | UTF-8 text
//
// The running instance answers every connection with a status frame (kind 'S', flag bit 0:
// the window is minimised; the text is its caption). A starter that recognises the caption
// sends one hand-off frame (kind 'H', flag bit 0: bring the window to the front, bit 1: a path
// follows; the text is the absolute path, or empty when there is none). Decoding is pure so
// that any byte string can be fed to it.
namespace vireo::instance {

inline constexpr QByteArrayView kMagic{"VXMI", 4};
inline constexpr qsizetype kHeaderSize = 10;
// Captions are read as at most this many characters; only their head is compared.
inline constexpr qsizetype kMaxCaptionLength = 254;
inline constexpr qsizetype kMaxCaptionBytes = 4 * kMaxCaptionLength;
// The longest path the platform accepts, in bytes without the terminating zero.
qsizetype MaxPathBytes();

struct StatusMessage {
    QString caption;
    bool minimised = false;

    bool operator==(const StatusMessage&) const = default;
};

struct HandOffMessage {
    bool bringToFront = true;
    // Present when the starter had an argument. An empty path stands for one that could not
    // be carried; the receiver shows its window and opens nothing.
    std::optional<QString> path;

    bool operator==(const HandOffMessage&) const = default;
};

// The caption is cut to kMaxCaptionLength characters.
QByteArray EncodeStatus(const StatusMessage& status);
// A path longer than MaxPathBytes() travels as an empty one: a cut path could name another
// file.
QByteArray EncodeHandOff(const HandOffMessage& handOff);

enum class DecodeState {
    NeedMore, // a valid beginning; more bytes must come
    Complete, // a whole frame; `consumed` bytes of the input belong to it
    Invalid,  // the bytes can never become a valid frame
};

template <typename Message> struct Decoded {
    DecodeState state = DecodeState::NeedMore;
    Message message;
    qsizetype consumed = 0;
};

// Read one frame from the head of bytes; what follows it is left alone.
Decoded<StatusMessage> DecodeStatus(QByteArrayView bytes);
// As DecodeStatus. A path must be absolute and hold no zero character.
Decoded<HandOffMessage> DecodeHandOff(QByteArrayView bytes);

} // namespace vireo::instance
