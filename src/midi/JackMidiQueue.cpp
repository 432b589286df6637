#include "midi/JackMidiQueue.h"

#include <algorithm>
#include <cstring>

namespace vireo {

JackMidiQueue::JackMidiQueue(std::size_t capacity)
    : ring_(std::max(capacity, kHeader + 1)) {}

JackMidiQueue::Push JackMidiQueue::push(std::span<const std::uint8_t> message) {
    if (message.size() > largestMessage())
        return Push::TooLarge;
    const std::size_t total = kHeader + message.size();
    const std::uint64_t written = written_.load(std::memory_order_relaxed);
    const std::uint64_t read = read_.load(std::memory_order_acquire);
    if (ring_.size() - (written - read) < total)
        return Push::Full;
    const auto length = static_cast<std::uint32_t>(message.size());
    copyIn(written, &length, kHeader);
    copyIn(written + kHeader, message.data(), message.size());
    written_.store(written + total, std::memory_order_release); // header and bytes at once
    return Push::Queued;
}

void JackMidiQueue::discardPending() {
    discardBefore_.store(written_.load(std::memory_order_relaxed), std::memory_order_release);
}

bool JackMidiQueue::empty() const {
    return read_.load(std::memory_order_acquire) == written_.load(std::memory_order_acquire);
}

void JackMidiQueue::clear() {
    written_.store(0);
    read_.store(0);
    discardBefore_.store(0);
}

bool JackMidiQueue::nextLength(std::size_t& length) const {
    const std::uint64_t read = read_.load(std::memory_order_relaxed);
    if (written_.load(std::memory_order_acquire) - read < kHeader)
        return false;
    std::uint32_t header = 0;
    copyOut(read, &header, kHeader);
    length = header;
    return true;
}

bool JackMidiQueue::discarding() const {
    return read_.load(std::memory_order_relaxed) < discardBefore_.load(std::memory_order_acquire);
}

void JackMidiQueue::copyIn(std::uint64_t position, const void* source, std::size_t length) {
    const std::size_t at = position % ring_.size();
    const std::size_t first = std::min(length, ring_.size() - at);
    const auto* bytes = static_cast<const std::uint8_t*>(source);
    std::memcpy(ring_.data() + at, bytes, first);
    std::memcpy(ring_.data(), bytes + first, length - first);
}

void JackMidiQueue::copyOut(std::uint64_t position, void* destination, std::size_t length) const {
    const std::size_t at = position % ring_.size();
    const std::size_t first = std::min(length, ring_.size() - at);
    auto* bytes = static_cast<std::uint8_t*>(destination);
    std::memcpy(bytes, ring_.data() + at, first);
    std::memcpy(bytes + first, ring_.data(), length - first);
}

void JackMidiQueue::consume(std::size_t length) {
    const std::uint64_t read = read_.load(std::memory_order_relaxed);
    read_.store(read + kHeader + length, std::memory_order_release);
}

} // namespace vireo
