#include "midi/JackMidiQueue.h"

#include <algorithm>
#include <cstring>
#include <jack/ringbuffer.h>
#include <new>

namespace vireo {
namespace {

// Copies bytes into the two parts of a ring's write vector, starting `offset` bytes in.
void CopyInto(jack_ringbuffer_data_t (&parts)[2], std::size_t offset, const void* source,
              std::size_t length) {
    const auto* bytes = static_cast<const char*>(source);
    for (jack_ringbuffer_data_t& part : parts) {
        if (offset >= part.len) {
            offset -= part.len;
            continue;
        }
        const std::size_t n = std::min(length, part.len - offset);
        std::memcpy(part.buf + offset, bytes, n);
        bytes += n;
        length -= n;
        offset = 0;
        if (length == 0)
            return;
    }
}

// The reverse: bytes out of the two parts of a read vector.
void CopyFrom(jack_ringbuffer_data_t (&parts)[2], std::size_t offset, void* destination,
              std::size_t length) {
    auto* bytes = static_cast<char*>(destination);
    for (jack_ringbuffer_data_t& part : parts) {
        if (offset >= part.len) {
            offset -= part.len;
            continue;
        }
        const std::size_t n = std::min(length, part.len - offset);
        std::memcpy(bytes, part.buf + offset, n);
        bytes += n;
        length -= n;
        offset = 0;
        if (length == 0)
            return;
    }
}

} // namespace

JackMidiQueue::JackMidiQueue(std::size_t capacity)
    : ring_(jack_ringbuffer_create(capacity + 1)) {
    if (ring_ == nullptr)
        throw std::bad_alloc();
}

JackMidiQueue::~JackMidiQueue() {
    jack_ringbuffer_free(ring_);
}

JackMidiQueue::Push JackMidiQueue::push(std::span<const std::uint8_t> message) {
    if (message.size() > largestMessage())
        return Push::TooLarge;
    const std::size_t total = kHeader + message.size();
    if (jack_ringbuffer_write_space(ring_) < total)
        return Push::Full;
    const auto length = static_cast<std::uint32_t>(message.size());
    jack_ringbuffer_data_t parts[2];
    jack_ringbuffer_get_write_vector(ring_, parts);
    CopyInto(parts, 0, &length, kHeader);
    CopyInto(parts, kHeader, message.data(), message.size());
    jack_ringbuffer_write_advance(ring_, total); // header and bytes become visible together
    written_ += total;
    return Push::Queued;
}

void JackMidiQueue::discardPending() {
    discardBefore_.store(written_, std::memory_order_release);
}

std::size_t JackMidiQueue::largestMessage() const {
    // One byte of a ring always stays empty.
    return ring_->size - 1 - kHeader;
}

void JackMidiQueue::clear() {
    jack_ringbuffer_reset(ring_);
    written_ = 0;
    read_ = 0;
    discardBefore_.store(0, std::memory_order_relaxed);
}

bool JackMidiQueue::nextLength(std::size_t& length) const {
    if (jack_ringbuffer_read_space(ring_) < kHeader)
        return false;
    std::uint32_t header = 0;
    jack_ringbuffer_data_t parts[2];
    jack_ringbuffer_get_read_vector(ring_, parts);
    CopyFrom(parts, 0, &header, kHeader);
    length = header;
    return true;
}

bool JackMidiQueue::discarding() const {
    return read_ < discardBefore_.load(std::memory_order_acquire);
}

void JackMidiQueue::copyOut(std::uint8_t* destination, std::size_t length) const {
    jack_ringbuffer_data_t parts[2];
    jack_ringbuffer_get_read_vector(ring_, parts);
    CopyFrom(parts, kHeader, destination, length);
}

void JackMidiQueue::consume(std::size_t length) {
    jack_ringbuffer_read_advance(ring_, kHeader + length);
    read_ += kHeader + length;
}

} // namespace vireo
