#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vireo {

// A short message packed the classic way: status | data1 << 8 | data2 << 16.
constexpr std::uint32_t PackShortMessage(unsigned status, unsigned data1, unsigned data2)
{
    return (status & 0xFFu) | (data1 & 0xFFu) << 8 | (data2 & 0xFFu) << 16;
}

// The bytes of a packed short message as they go on the wire: as many as its status byte
// takes (program change and channel pressure have one data byte, clock bytes none).
struct ShortMessageBytes {
    std::array<std::uint8_t, 3> bytes{};
    std::size_t size = 0;
};

constexpr std::size_t ShortMessageLength(std::uint8_t status)
{
    if (status < 0x80)
        return 0; // no status byte: not a message
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 2;
    case 0xF0:
        if (status == 0xF1 || status == 0xF3)
            return 2;
        return status == 0xF2 ? 3 : 1;
    default:
        return 3;
    }
}

constexpr ShortMessageBytes UnpackShortMessage(std::uint32_t packed)
{
    ShortMessageBytes m;
    m.bytes = {std::uint8_t(packed & 0xFF), std::uint8_t(packed >> 8 & 0xFF),
               std::uint8_t(packed >> 16 & 0xFF)};
    m.size = ShortMessageLength(m.bytes[0]);
    return m;
}

} // namespace vireo
